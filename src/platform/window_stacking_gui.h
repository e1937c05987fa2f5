#pragma once

class QWidget;

// Keeps a top-level window above all others (true) or returns it to normal stacking (false).
// Failures are not reported.
void SetWindowTopmost(QWidget* window, bool topmost);
