#pragma once

#include <QVector>
#include <QtGui/qrgb.h>

// The 256-entry colour tables the camera's grey frames are shown through.
namespace CameraPalettes {

// Measuring view: grey, black below forceBlack, white above forceWhite; the
// black test comes first, so a forceBlack above forceWhite leaves no grey.
QVector<QRgb> grey(int forceBlack, int forceWhite);
// Two-colour view: green below 127, pale yellow from 127 on.
QVector<QRgb> threshold();
// Inspection tints: 0 white, 1 cyan, 2 magenta, 3 yellow.
enum Tint { White = 0, Cyan = 1, Magenta = 2, Yellow = 3 };
QVector<QRgb> inspection(int tint);

} // namespace CameraPalettes
