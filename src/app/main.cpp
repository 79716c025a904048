#include <cstdio>
#include <cstring>

#include <QApplication>

int main(int argc, char *argv[])
{
    // The version query answers before anything is set up: no display, no
    // settings file, no database.
    if (argc == 2 && (std::strcmp(argv[1], "--version") == 0 || std::strcmp(argv[1], "-v") == 0)) {
        std::printf("%s %s\n", "current version", "3.0");
        return 0;
    }

    QApplication app(argc, argv);
    return 0;
}
