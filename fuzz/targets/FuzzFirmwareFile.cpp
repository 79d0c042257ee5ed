#include "FuzzCheck.h"
#include "FuzzTargets.h"

#include "firmware/FirmwareFile.h"

// Input: a ".fw" file. The walk's parts lie inside the file one after the
// other; every image can be taken out and deciphered; FindPart finds what the
// walk lists.
int FuzzFirmwareFile(const uint8_t *data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const FirmwareFile file(bytes);

    qsizetype next = 0;
    for (int i = 0; i < file.Parts().size(); ++i) {
        const FirmwarePartEntry &part = file.Parts().at(i);
        FUZZ_CHECK(part.HeaderOffset == next);
        FUZZ_CHECK(part.ImageOffset == part.HeaderOffset + FirmwarePartHeaderSize);
        FUZZ_CHECK(qint64(part.ImageOffset) + qint64(part.Header.ImageLength()) <=
                   qint64(bytes.size()));
        FUZZ_CHECK(PartHeaderValid(part.Header));
        next = part.ImageOffset + qsizetype(part.Header.ImageLength());
        const QByteArray stored = file.StoredImage(i);
        FUZZ_CHECK(stored.size() == qsizetype(part.Header.ImageLength()));
        FUZZ_CHECK(file.PlainImage(i).size() == stored.size());
        (void)part.Header.UploadFrame();
    }
    FUZZ_CHECK(file.StoredImage(-1).isEmpty() &&
               file.StoredImage(int(file.Parts().size())).isEmpty());
    if (file.Valid())
        FUZZ_CHECK(next == bytes.size());
    else
        FUZZ_CHECK(next < bytes.size());

    const std::optional<FoundPart> main = FindPart(bytes, PartClassMain);
    bool listed = false;
    for (const FirmwarePartEntry &part : file.Parts())
        listed = listed || part.Header.PartClass() == PartClassMain;
    FUZZ_CHECK(main.has_value() == listed);
    if (!file.Parts().isEmpty()) {
        const FirmwarePartHeader &first = file.Parts().first().Header;
        const std::optional<FoundPart> sub =
            FindPart(bytes, PartClassSub, first.MCUKind(), first.Slot());
        if (first.PartClass() == PartClassSub)
            FUZZ_CHECK(sub.has_value() && sub->Image == file.PlainImage(0));
    }
    return 0;
}
