// Draws the placeholder pictures that stand in for the artwork under
// src/gui/resources. Each picture has the size its form lays it out for and
// carries a short word, so a screenshot tells which one is drawn.
//
//   make-pictures <resources folder> [set ...]
//
// Every set (all of them when none is named) goes to its own subfolder.
#include "PictureKit.h"

#include <QGuiApplication>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

struct Set
{
    const char *name;
    const char *subfolder;
    void (*draw)(PictureFolder &);
};

const Set kSets[] = {
    {"keyboard", ".", drawKeyboardPictures},
    {"mainwin", "mainwin", drawMainWindowPictures},
    {"campanel", "campanel", drawCamPanelPictures},
    {"tooling", "tooling", drawToolingPictures},
    {"machines", "machines", drawMachinesPictures},
    {"dnc", "dnc", drawDncPictures},
    {"postpro", "postpro", drawPostProPictures},
    {"demo", "demo", drawDemoPictures},
    {"rfid", "rfid", drawRfidPictures},
};

int usage()
{
    std::fprintf(stderr, "usage: make-pictures <resources folder> [set ...]\nsets:");
    for (const Set &s : kSets)
        std::fprintf(stderr, " %s", s.name);
    std::fprintf(stderr, "\n");
    return 2;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 2)
        return usage();
    const QDir resources(QString::fromLocal8Bit(argv[1]));
    std::vector<const Set *> chosen;
    for (int i = 2; i < argc; ++i) {
        const Set *found = nullptr;
        for (const Set &s : kSets)
            if (std::strcmp(s.name, argv[i]) == 0)
                found = &s;
        if (!found)
            return usage();
        chosen.push_back(found);
    }
    if (chosen.empty())
        for (const Set &s : kSets)
            chosen.push_back(&s);
    int failures = 0;
    for (const Set *s : chosen) {
        PictureFolder out(QDir::cleanPath(resources.filePath(QString::fromLatin1(s->subfolder))));
        if (!out.exists()) {
            std::fprintf(stderr, "make-pictures: cannot make %s\n", qPrintable(out.path()));
            return 1;
        }
        s->draw(out);
        std::printf("%s: %d pictures written to %s\n", s->name, out.written(), qPrintable(out.path()));
        failures += out.failures();
    }
    return failures ? 1 : 0;
}
