#pragma once
// Decodes the EDID bytes shown on the EDID page into the facts a technician
// looks for: who made the sink, its name, preferred mode, range limits and,
// from the CTA-861 extension, its video modes, audio formats, speakers and
// HDMI capabilities. Bytes in, a structured result out; the bytes are only
// read (at most the first 256) and never changed. Damaged or unknown content
// is reported in `warnings`, never trusted past its bounds.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// One 128-byte block of the input.
struct EdidBlockInfo {
    int index = 0;
    int tag = -1;          // byte 0 of the block (base block: 0x00)
    QString kind;          // "Base EDID", "CTA-861 extension", ...
    bool complete = false; // all 128 bytes present
    bool checksumValid = false;
};

// A detailed timing descriptor, or a VIC's timing from the CTA-861 table.
struct EdidTiming {
    int hActive = 0;
    int vActive = 0; // frame lines, also for interlaced modes
    bool interlaced = false;
    double refreshHz = 0.0; // field rate for interlaced modes
    int pixelClockKHz = 0;
    QString aspect; // VIC table only: "16:9", "4:3", "64:27", "256:135"
};

struct EdidRangeLimits {
    int minVerticalHz = 0;
    int maxVerticalHz = 0;
    int minHorizontalKHz = 0;
    int maxHorizontalKHz = 0;
    int maxPixelClockMHz = 0; // 0: not given
};

// One short video descriptor of the CTA-861 extension.
struct EdidVideoMode {
    int vic = 0;
    bool native = false;
    bool known = false;        // VIC found in the table; `timing` valid
    bool ycbcr420Only = false; // from the YCbCr 4:2:0 video data block
    EdidTiming timing;
};

// One short audio descriptor.
struct EdidAudioFormat {
    int code = 0;         // audio format code 1..15
    int extendedCode = 0; // extension type code when code is 15
    QString name;
    int maxChannels = 0;
    QList<int> sampleRatesHz; // ascending
    QList<int> bitDepths;     // Linear PCM only, ascending
    int maxBitrateKbps = 0;   // compressed formats with a bit-rate limit, else 0
};

// HDMI vendor-specific data block, IEEE OUI 00-0C-03.
struct EdidHdmiBlock {
    bool present = false;
    int physicalAddress = 0;     // a.b.c.d packed as 0xABCD
    QString physicalAddressText; // "a.b.c.d"
    int maxTmdsClockMHz = 0;     // 0: not given
};

// HDMI Forum vendor-specific data block (OUI C4-5D-D8) or sink capability
// data block.
struct EdidHdmiForumBlock {
    bool present = false;
    int version = 0;
    int maxTmdsCharacterRateMHz = 0; // 0: not given
};

struct EdidInfo {
    int inputSize = 0;    // bytes handed in
    int bytesDecoded = 0; // at most 256
    bool headerValid = false;
    QList<EdidBlockInfo> blocks;

    // Base block.
    bool baseDecoded = false; // identification bytes 8..19 present
    QString manufacturerId;   // three letters
    int productCode = 0;
    quint32 serialNumber = 0;
    int week = 0; // 0: not given
    int year = 0;
    bool modelYear = false; // `year` is a model year, not a year of manufacture
    int version = 0;
    int revision = 0;
    int extensionCount = 0; // as announced by the base block

    QString displayName;   // display product name descriptor, empty when absent
    QString displaySerial; // display product serial number descriptor
    QString dataString;    // alphanumeric data string descriptor
    bool hasRangeLimits = false;
    EdidRangeLimits rangeLimits;
    bool hasPreferredTiming = false; // first detailed timing of the base block
    EdidTiming preferredTiming;

    // CTA-861 extension.
    bool hasCta = false;
    int ctaRevision = 0;
    QList<EdidVideoMode> videoModes; // video data blocks, then 4:2:0-only modes
    QList<EdidAudioFormat> audioFormats;
    bool hasSpeakerAllocation = false;
    QStringList speakers; // "FL/FR", "LFE1", "FC", ...
    EdidHdmiBlock hdmi;
    EdidHdmiForumBlock hdmiForum;

    QStringList warnings;
};

EdidInfo DecodeEdid(const QByteArray &bytes);

// Short lines for the EDID page, one fact a line.
QString FormatEdidInfo(const EdidInfo &info);
