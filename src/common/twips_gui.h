#pragma once

class QWidget;

// Window positions and sizes are kept in twips (1/1440 inch); the screen's logical resolution
// turns them into pixels (15 twips a pixel at 96 dots per inch).
int TwipsToPixelsX(const QWidget* widget, double twips);
int TwipsToPixelsY(const QWidget* widget, double twips);
double PixelsToTwipsX(const QWidget* widget, int pixels);
double PixelsToTwipsY(const QWidget* widget, int pixels);
