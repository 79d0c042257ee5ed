#include "FuzzCheck.h"
#include "FuzzTargets.h"

#include "firmware/FirmwarePackage.h"

// Input: a ".fw2" package. The items the walk counts lie inside the package
// back to back; ReadPackageItem gives the same items by number.
int FuzzFirmwarePackage(const uint8_t *data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const FirmwarePackage package(bytes);
    const int count = package.Count();
    FUZZ_CHECK(count >= 0);
    FUZZ_CHECK(!package.Malformed() || bytes.size() > 0);

    qsizetype total = 0;
    for (int k = 1; k <= count; ++k) {
        const QByteArray stored = package.StoredItem(k);
        FUZZ_CHECK(bytes.mid(total, stored.size()) == stored);
        total += stored.size();
        const PackageItem item = package.Item(k);
        FUZZ_CHECK(item.Block.size() == item.InfoHeader.BlockLength());
        FUZZ_CHECK(item.Image.size() == qsizetype(item.Header.ImageLength()));
        FUZZ_CHECK(stored.size() == FirmwarePartHeaderSize + BoardInfoRecordSize +
                                        BoardInfoHeaderSize + item.Block.size() +
                                        item.Image.size() + PackageTrailerSize);
    }
    FUZZ_CHECK(total <= bytes.size());
    FUZZ_CHECK(package.Malformed() == (total < bytes.size()));
    FUZZ_CHECK(package.StoredItem(0).isEmpty() && package.StoredItem(count + 1).isEmpty());

    PackageItem item;
    bool malformed = false;
    FUZZ_CHECK(ReadPackageItem(bytes, -1, item, &malformed) == count);
    FUZZ_CHECK(malformed == package.Malformed());
    if (count > 0) {
        FUZZ_CHECK(ReadPackageItem(bytes, 1, item) == 1);
        FUZZ_CHECK(item.Block == package.Item(1).Block);
    }
    FUZZ_CHECK(ReadPackageItem(bytes, count + 1, item) == count);
    FUZZ_CHECK(item.Block.isEmpty() && item.Image.isEmpty());
    FUZZ_CHECK(ReadPackageItem(bytes, 0, item) == 0);

    // A walk told to stop at once finds nothing and calls the data malformed.
    const bool closing = true;
    const FirmwarePackage stopped(bytes, &closing);
    FUZZ_CHECK(stopped.Count() == 0 && stopped.Malformed() == !bytes.isEmpty());
    return 0;
}
