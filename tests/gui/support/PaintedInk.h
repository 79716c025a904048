#pragma once

#include <QRect>

class QImage;

// What was painted in area of a rendered picture: the smallest rectangle
// holding every pixel whose grey lies far from the area's commonest grey (its
// background). Empty when nothing stands out. Measured on the picture, so it
// tells what the operator sees, whatever font properties claim.
QRect paintedInk(const QImage &image, const QRect &area);
