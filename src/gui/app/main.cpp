#include <cstdio>
#include <cstring>

#include <QApplication>
#include <QLocale>
#include <QPixmap>
#include <QSplashScreen>
#include <QTranslator>

#include "app/mainwindow.h"
#include "keyboard/myinputpanel.h"
#include "keyboard/myinputpanelcontext.h"
#include "shared/SharedStruct.h"

int main(int argc, char *argv[])
{
    // The version query answers before anything is set up: no display, no
    // settings file, no database.
    if (argc == 2 && (std::strcmp(argv[1], "--version") == 0 || std::strcmp(argv[1], "-v") == 0)) {
        std::printf("%s %s\n", "current version", "3.0");
        return 0;
    }

    // The settings object is made on first use, already set to UTF-8.
    QApplication app(argc, argv);
    QObject::connect(&app, &QApplication::lastWindowClosed, &app, &QApplication::quit);

    // A decimal point on every machine, whatever the system locale.
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));

    const QString translation = GetTranslationFileName();
    QTranslator programTranslator;
    if (programTranslator.load(QStringLiteral("./language/") + translation))
        app.installTranslator(&programTranslator);
    const int underscore = translation.indexOf(QLatin1Char('_'));
    QTranslator toolkitTranslator;
    if (toolkitTranslator.load(QStringLiteral("./language/qt") + (underscore >= 0 ? translation.mid(underscore) : translation)))
        app.installTranslator(&toolkitTranslator);

    MainWindow window;

    QSplashScreen splash{QPixmap()};
    splash.setGeometry(0, 0, 1024, 768);
    splash.show();
    splash.finish(&window);

    // The application owns the on-screen keyboard once it is installed.
    auto *keyboard = new MyInputPanelContext(&window);
    keyboard->install();
    window.setInputContext(keyboard);

    window.showFullScreen();
    return app.exec();
}
