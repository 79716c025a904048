#pragma once

#include <QList>
#include <QPointF>
#include <QString>
#include <QVariant>
#include <QVector>

#include "camera/LineParam.h"

struct s_machine;

// Arithmetic behind the main window's measuring controls, free of widgets.
namespace MeasureCommands {

// A typed length (millimetres, or inches when isMM is false) in whole
// micrometres, rounded to the nearest: one inch is 25400, never 25399.
// Beyond the int range the nearest bound, no number 0.
int toMicrometres(double value, bool isMM);

// The default machine's reference (tenths of a micrometre) in the settings
// file: "System/GaugeX" (or Z) holds whole micrometres truncated toward
// zero, as every reader of the file takes it as an int; the key of the
// same name with "Tenths" after it holds the tenths of a micrometre.
int referenceMicrometres(qint64 tenths);
QString referenceTenthsKey(const QString &gaugeKey);
// The reference a file holds: its tenths key where that stands for the
// micrometres key (an older program that wrote the micrometres alone leaves
// it behind), else the micrometres key (as a number of micrometres).
qint64 referenceTenths(const QVariant &micrometres, const QVariant &tenths);
// Puts a reference in tenths of a micrometre into the machine's X or Z fields.
void setReference(s_machine &machine, bool x, qint64 tenths);

// A measured X, a radius or a diameter as the display shows it, in the
// convention the machine stores tools in: what the tooling editor keeps and
// the DNC panel sends.
double storedX(double shown, bool radiusShown, bool radiusStored);

// The angle reticle slider moves in hundredths of a degree; a value one off
// a tenth snaps to that tenth (2519 -> 2520, 2511 -> 2510).
int snapAngleSlider(int value);
QString angleReticleText(int sliderValue);

// The circle reticle slider holds hundredths of a millimetre; the entry shows
// the radius in the machine's unit.
QString circleReticleText(int sliderValue, bool isMM);
// Reticle radius in millimetres of an entry text in the machine's unit.
double circleReticleMm(const QString &text, bool isMM);
// Slider position of a reticle radius in millimetres (truncated toward zero).
int circleSliderValue(double mm);

// Angle text of the lines the camera found (without the "A " lead), empty
// when there is no angle to show (no line, or more than two).
// alternative: the other angle of the edge; rotated: the angular-head
// rotation is on, which turns the measure by a quarter.
QString foundLinesAngle(const QVector<sLineParam> &lines, bool alternative, bool rotated);

// Manual two-point angle: no result with fewer than two points, with the two
// points in one place (no direction) or a non-finite value.
bool twoPointAngle(const QList<QPointF> &points, float &angle);
// Manual five-point radius: a rejected fit (0) or a non-finite radius is no result.
bool fivePointRadius(const QList<QPointF> &points, float &radius);

// Picture of the run-out panel for a vacuum state of the board (empty for
// an unknown state).
QString vacuumPicture(int state);

} // namespace MeasureCommands
