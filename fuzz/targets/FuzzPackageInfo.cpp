#include "FuzzCheck.h"
#include "FuzzTargets.h"

#include "firmware/FirmwarePackage.h"
#include "firmware/PackageInfoReport.h"

// Input: a ".fw2" package. The report lists every complete item and ends with
// its closing line.
int FuzzPackageInfo(const uint8_t *data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString text = PackageInfoText(bytes, QStringLiteral("/folder/fuzz.fw2"),
                                         QStringLiteral("2026-01-01 00:00:00"));
    const int count = FirmwarePackage(bytes).Count();
    FUZZ_CHECK(text.startsWith(QStringLiteral("Firmware Package File: fuzz.fw2\r\n")));
    FUZZ_CHECK(text.contains(QStringLiteral("Part Count: ") + QString::number(count) +
                             QStringLiteral("\r\n")));
    FUZZ_CHECK(text.endsWith(QStringLiteral("******End******")));
    FUZZ_CHECK(text.count(QStringLiteral("\r\nPart: ")) >= count);
    return 0;
}
