#include "FuzzCheck.h"
#include "FuzzInput.h"
#include "FuzzTargets.h"

#include "control/EdidCheck.h"
#include "control/EdidDecoder.h"
#include "control/EdidJson.h"
#include "control/EdidView.h"

#include <QJsonDocument>

// Input: EDID bytes as a file or a read gives them. They are decoded (with the
// page's text and the JSON view), checked for the grid, shown in it and read
// back from it. The grid is also filled with texts cut from the input, as a
// person could type them.
int FuzzEdid(const uint8_t *data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));

    const EdidInfo info = DecodeEdid(bytes);
    FUZZ_CHECK(info.inputSize == bytes.size());
    FUZZ_CHECK(info.bytesDecoded >= 0 && info.bytesDecoded <= EdidMaxBlocks * 128);
    FUZZ_CHECK(info.bytesDecoded <= bytes.size());
    FUZZ_CHECK(info.blocks.size() <= EdidMaxBlocks);
    FUZZ_CHECK(info.blocks.size() * 128 <= info.bytesDecoded + 127);
    (void)FormatEdidInfo(info);
    (void)QJsonDocument(EdidInfoToJson(info)).toJson();
    // The comparison of a view with itself finds no difference.
    FUZZ_CHECK(CompareEdidViews(info, info).differences == 0);

    const bool showable = EdidBufferShowable(bytes);
    const QString reason = EdidRefusalReason(bytes, qint64(size));
    FUZZ_CHECK(showable == reason.isEmpty());
    (void)EdidRefusalReason(bytes, -1);

    QStringList cells = EdidEmptyGrid();
    FUZZ_CHECK(cells.size() == EdidGridCells);
    FUZZ_CHECK(EdidBytesToGrid(bytes, cells) == showable);
    FUZZ_CHECK(cells.size() == EdidGridCells);
    if (showable) {
        QByteArray back;
        FUZZ_CHECK(EdidGridToBytes(cells, back));
        FUZZ_CHECK(back == bytes.left(EdidSize));
    }
    EdidClearGrid(cells);
    QByteArray none;
    FUZZ_CHECK(!EdidGridToBytes(cells, none) && none.isEmpty());

    // Typed cells: the input as Latin-1 text cut into pieces of one to three
    // characters, one per data cell.
    FuzzInput in(data, size);
    QStringList typed = EdidEmptyGrid();
    for (int r = 1; r < EdidGridDim && !in.empty(); ++r)
        for (int c = 1; c < EdidGridDim && !in.empty(); ++c) {
            const int length = in.byte() % 4;
            typed[EdidGridIndex(r, c)] = QString::fromLatin1(in.bytes(size_t(length)));
        }
    QByteArray parsed;
    if (EdidGridToBytes(typed, parsed))
        FUZZ_CHECK(parsed.size() == EdidSize);
    else
        FUZZ_CHECK(parsed.isEmpty());
    return 0;
}
