#pragma once
#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>
#include <string>
#include <string_view>

#include "common/colour.h"
#include "common/view.h"
#include "latin1.h"

class QWidget;

namespace dx::ui {

QColor toQColor(Colour c);
inline int px(Twips t) {
    return t / kTwipsPerPixel;
}
inline QRect pxRect(const Rect& r) {
    return QRect(px(r.left), px(r.top), px(r.width), px(r.height));
}

// Makes the look-alike design faces available when the system has them.
void loadDesignFonts();
// The faces that stand in for the design fonts.
QFont sansFont(bool bold);    // the dialog face, 8.25 pt
QFont tahomaFont(bool bold);  // the window face of the grid and counters, 8.25 pt
QFont fixedFont();            // the traffic pane's fixed-pitch face
bool hasMarlett();
QFont marlettFont();  // the scroll buttons' arrow glyphs

// Brings a widget up to date with its element: place, text, colours, tool tip, visibility and
// (for check boxes) the tick.
void apply(QWidget* widget, const Element& e);

// Places and sizes a top-level window from its outer place in twips.
void placeWindow(QWidget* window, const WindowModel& w);

}  // namespace dx::ui
