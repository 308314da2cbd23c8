#include "bindings.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QWidget>

namespace dx::ui {

QColor toQColor(Colour c) {
    if (isSystemColour(c)) {
        const QPalette pal = QApplication::palette();
        switch (static_cast<std::uint32_t>(c) & 0xFFu) {
            case 0x05:
                return QColor(Qt::white);  // window background
            case 0x08:
                return QColor(Qt::black);  // window text
            case 0x0F:
                return pal.color(QPalette::Button);  // button face
            default:
                return pal.color(QPalette::Window);
        }
    }
    return QColor::fromRgb(toRrggbb(c) & 0xFFFFFFu);
}

namespace {
struct Faces {
    QString sans = QStringLiteral("DejaVu Sans");
    QString tahoma = QStringLiteral("DejaVu Sans");
    QString fixed;
    QString marlett;
};

Faces& faces() {
    static Faces f;
    return f;
}

// Adds a font file when it is there; answers its family, or nothing.
QString addFont(const QString& path) {
    const int id = QFontDatabase::addApplicationFont(path);
    if (id < 0) return {};
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    return families.isEmpty() ? QString() : families.front();
}

QFont face(const QString& family, int px, bool bold) {
    QFont f(family);
    f.setPixelSize(px);
    f.setBold(bold);
    f.setStyleHint(QFont::SansSerif);
    return f;
}
}  // namespace

void loadDesignFonts() {
    // Debian's fonts-wine carries free look-alikes of the faces the windows were drawn with.
    const QString dir = QStringLiteral("/usr/share/wine/fonts/");
    Faces& f = faces();
    if (const QString s = addFont(dir + QStringLiteral("ms_sans_serif.ttf")); !s.isEmpty()) f.sans = s;
    if (const QString t = addFont(dir + QStringLiteral("tahoma.ttf")); !t.isEmpty()) {
        f.tahoma = t;
        addFont(dir + QStringLiteral("tahomabd.ttf"));
    }
    f.fixed = addFont(dir + QStringLiteral("fixedsys.ttf"));
    f.marlett = addFont(dir + QStringLiteral("marlett.ttf"));
}

// 8.25 points on a 96 dpi screen are 11 pixels.
QFont sansFont(bool bold) {
    return face(faces().sans, 11, bold);
}
QFont tahomaFont(bool bold) {
    return face(faces().tahoma, 11, bold);
}
QFont fixedFont() {
    QFont f(faces().fixed.isEmpty() ? QStringLiteral("DejaVu Sans Mono") : faces().fixed);
    f.setStyleHint(QFont::Monospace);
    f.setPixelSize(faces().fixed.isEmpty() ? 13 : 15);
    return f;
}

bool hasMarlett() {
    return !faces().marlett.isEmpty();
}
QFont marlettFont() {
    QFont f(faces().marlett);
    f.setPixelSize(11);
    return f;
}

void apply(QWidget* w, const Element& e) {
    const QRect r = pxRect(e.place());
    if (w->geometry() != r) w->setGeometry(r);
    const QString text = latin1Text(e.text());
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        if (edit->text() != text) edit->setText(text);
    } else if (auto* label = qobject_cast<QLabel*>(w)) {
        if (label->text() != text) label->setText(text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        if (button->text() != text) button->setText(text);
    }
    if (auto* check = qobject_cast<QCheckBox*>(w)) {
        if (check->isChecked() != e.checked()) check->setChecked(e.checked());
    }
    // Buttons and check boxes keep the desktop's own look; labels and boxes take their colours.
    if (!qobject_cast<QAbstractButton*>(w)) {
        QPalette pal = w->palette();
        const QColor back = toQColor(e.back());
        const QColor fore = toQColor(e.fore());
        pal.setColor(QPalette::Base, back);
        pal.setColor(QPalette::Window, back);
        pal.setColor(QPalette::Text, fore);
        pal.setColor(QPalette::WindowText, fore);
        if (pal != w->palette()) w->setPalette(pal);
        w->setAutoFillBackground(true);
    }
    const QString tip = latin1Text(e.tip());
    if (w->toolTip() != tip) w->setToolTip(tip);
    if (w->isVisibleTo(w->parentWidget()) != e.visible()) w->setVisible(e.visible());
}

void placeWindow(QWidget* window, const WindowModel& m) {
    const QPoint pos(px(m.left()), px(m.top()));
    const QSize size(std::max(1, px(m.width() - m.frameWidth())),
                     std::max(1, px(m.height() - m.frameHeight())));
    if (window->pos() != pos) window->move(pos);
    if (window->size() != size) window->resize(size);
}

}  // namespace dx::ui
