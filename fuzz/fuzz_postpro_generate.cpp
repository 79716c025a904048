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
    const float values[][4] = {{1, 12.5f, 60.25f, 0}, {2, 0, 0, 1}, {5, -3.75f, 110.4f, 1}, {9, 1e-3f, 2e6f, 0},
                               {9, std::numeric_limits<float>::max(), 1, 1}};
    const char *codes[] = {"CNMG 1204", "", "drill 12", "\xc3\x98" "16", "big"};
    for (int i = 0; i < 5; ++i) {
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
