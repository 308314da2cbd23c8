// dxmonitor: watches a DX-cluster node's sockets through the monitor port of its socket server.
#include <QApplication>

#include "app.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("dxmonitor"));
    dx::ui::App app(dx::ui::App::defaultConfigPath());
    app.start();
    return QApplication::exec();
}
