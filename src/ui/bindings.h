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

QColor ToQColor(Colour c);
inline int Px(Twips t) {
    return t / kTwipsPerPixel;
}
inline QRect PxRect(const Rect& r) {
    return QRect(Px(r.left), Px(r.top), Px(r.width), Px(r.height));
}

// Makes the look-alike design faces available when the system has them.
void LoadDesignFonts();
// The faces that stand in for the design fonts.
QFont SansFont(bool bold);    // the dialog face, 8.25 pt
QFont TahomaFont(bool bold);  // the window face of the grid and counters, 8.25 pt
QFont FixedFont();            // the traffic pane's fixed-pitch face
bool HasMarlett();
QFont MarlettFont();  // the scroll buttons' arrow glyphs

// Brings a widget up to date with its element: place, text, colours, tool tip, visibility and
// (for check boxes) the tick.
void Apply(QWidget* widget, const Element& e);

// Places and sizes a top-level window from its outer place in twips.
void ApplyWindow(QWidget* window, const WindowModel& w);

}  // namespace dx::ui
