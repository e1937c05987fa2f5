#pragma once

#include <QLoggingCategory>

// What the user is shown (status line, caption, message boxes), traced for watching the program
// from outside, as the Windows end-to-end test does. Silent unless switched on, for instance with
// QT_LOGGING_RULES="velkor.ui.info=true" (and QT_FORCE_STDERR_LOGGING=1 for a windowed program
// on Windows, whose messages otherwise go to the debugger).
Q_DECLARE_LOGGING_CATEGORY(lcUi)
