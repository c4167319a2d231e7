#pragma once
// Window placement in twips (1/1440 inch), converted with the screen's resolution.

class QWidget;

namespace declmod {

// Puts `window` in normal state with its frame at (left, top) and its outer size
// width x height, all in twips.
void placeWindow(QWidget *window, int left, int top, int height, int width);

// Twips to pixels at `dpi` dots per inch, rounded to the nearest pixel.
int twipsToPixels(int twips, double dpi);

} // namespace declmod
