#pragma once

class QWidget;

// Window positions and sizes are kept in twips (1/1440 inch); the screen's logical resolution
// turns them into pixels (15 twips a pixel at 96 dots per inch).
int TwipsToPixelsX(const QWidget* widget, double twips);
int TwipsToPixelsY(const QWidget* widget, double twips);
double PixelsToTwipsX(const QWidget* widget, int pixels);
double PixelsToTwipsY(const QWidget* widget, int pixels);
// Sizes in twips as on a screen of dpi dots per inch whatever the screen says (0: as it says),
// for windows laid out at another scale than the display's (tests, screenshots).
void OverrideLogicalDpi(int dpi);

class QPushButton;

// Makes the button wide enough for its caption with a little room at both ends, whatever the
// style's own margins and the system's font (Wine's are wider than Windows' own).
void KeepCaptionRoom(QPushButton* button);
