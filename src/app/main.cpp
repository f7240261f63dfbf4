#include "platform/AppTranslation.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ostrevin"));
    QApplication::setOrganizationName(QStringLiteral("Ostrevin"));
    ostrevin::installAppTranslation();

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Ostrevin"));
    window.resize(1100, 720);
    window.show();
    return QApplication::exec();
}
