// Post-processor text generation: any format file over a small fixed tool
// list ends with text or an error message.
#include <QList>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <limits>

#include "exchange/ctarnengine.h"

namespace {
QList<sRecUtensile> fixedTools()
{
    QList<sRecUtensile> tools;
    // Values with more digits than a float holds take the masks' long road.
    const double values[][4] = {{1, 12.5, 60.25, 0}, {2, 0, 0, 1}, {5, -3.75, 110.4, 1}, {9, 1e-3, 2e6, 0},
                                {9, std::numeric_limits<float>::max(), 1, 1}, {99999999, 1234.5678, -99999.9999, 0}};
    const char *codes[] = {"CNMG 1204", "", "drill 12", "\xc3\x98" "16", "big", "long"};
    for (int i = 0; i < 6; ++i) {
        sRecUtensile r;
        r.T = values[i][0];
        r.R = values[i][1];
        r.L = values[i][2];
        r.X = r.R * 2;
        r.I = 0.4f;
        r.A = 93;
        r.D = QString::fromUtf8(codes[i]);
        r.selected = values[i][3] == 0;
        tools.append(r);
    }
    return tools;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QList<sRecUtensile> tools = fixedTools();
    // Smaller bounds: every input ends within the fuzzer's time limit.
    cTarnEngine::maxPositions = 5000;
    cTarnEngine::maxTextLength = 1024 * 1024;
    static QString table = QStringLiteral("Turret A");
    cTarnEngine engine;
    engine.setTabAttiva(&tools);
    engine.setTableName(table);
    QString text, error;
    engine.GeneraFilePP(QString::fromUtf8(reinterpret_cast<const char *>(data), int(size)), &text, &error);
    return 0;
}
