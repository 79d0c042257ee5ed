#pragma once
// Decodes EDID bytes into the facts a technician looks for: who made the
// sink, every timing it declares (and where it declares it), its preferred
// mode, its display parameters and, from the CTA-861 and DisplayID
// extensions, its video modes, audio formats, speakers, HDR and HDMI
// capabilities. Every block handed in is read (a 384- or 512-byte EDID
// too); the bytes are only read and never changed. What violates the
// standards is reported as plain sentences, failures apart from warnings;
// damaged content is never trusted past its bounds.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// At most this many blocks are read: the base block announces at most 255
// extensions.
constexpr int EdidMaxBlocks = 256;

// One 128-byte block of the input.
struct EdidBlockInfo {
    int index = 0;
    int tag = -1;          // byte 0 of the block (base block: 0x00)
    QString kind;          // "Base EDID", "CTA-861 extension", ...
    bool complete = false; // all 128 bytes present
    bool checksumValid = false;
};

// One timing the sink declares.
struct EdidTiming {
    int hActive = 0;
    int vActive = 0; // frame lines, also for interlaced modes
    bool interlaced = false;
    double refreshHz = 0.0; // field rate for interlaced modes (60 for 1080i60)
    double hFreqKHz = 0.0;  // 0: not known
    int pixelClockKHz = 0;  // 0: not known (a standard timing no table names)
    QString aspect;         // "16:9", "4:3", ... when the source gives it

    // Where the sink declares it: "Established", "Standard", "DTD", "VIC",
    // "HDMI VIC", "DisplayID type I", "DisplayID type VII".
    QString source;
    int code = 0;              // DTD number (1-based over the whole EDID), VIC, HDMI VIC or DMT id
    int block = 0;             // index of the block it comes from
    bool native = false;       // VIC with the native flag, or a native DTD
    bool preferred = false;    // the preferred timing, or DisplayID's preferred flag
    bool ycbcr420Only = false; // from the YCbCr 4:2:0 video data block
    bool ycbcr420Also = false; // listed by the YCbCr 4:2:0 capability map
    bool nominal = false;      // refresh rate as written in a standard timing (no table names it)
};

struct EdidRangeLimits {
    int minVerticalHz = 0;
    int maxVerticalHz = 0;
    int minHorizontalKHz = 0;
    int maxHorizontalKHz = 0;
    int maxPixelClockMHz = 0; // 0: not given
    QString kind;             // "GTF", "Bare Limits", "Secondary GTF", "CVT"
};

// One short video descriptor of the CTA-861 extension.
struct EdidVideoMode {
    int vic = 0;
    bool native = false;
    bool known = false;        // VIC found in the table; `timing` valid
    bool ycbcr420Only = false; // from the YCbCr 4:2:0 video data block
    bool ycbcr420Also = false; // from the YCbCr 4:2:0 capability map
    EdidTiming timing;
};

// One short audio descriptor.
struct EdidAudioFormat {
    int code = 0;         // audio format code 1..15
    int extendedCode = 0; // extension type code when code is 15
    QString name;
    int maxChannels = 0;      // 0: the format carries no channel count (MPEG-H 3D, AC-4)
    QList<int> sampleRatesHz; // ascending
    QList<int> bitDepths;     // Linear PCM (also 3D), ascending
    int maxBitrateKbps = 0;   // compressed formats with a bit-rate limit, else 0
    QString detail;           // format-dependent extras ("Joint Object Coding", level ...)
};

// HDMI vendor-specific data block, IEEE OUI 00-0C-03.
struct EdidHdmiBlock {
    bool present = false;
    int physicalAddress = 0;     // a.b.c.d packed as 0xABCD
    QString physicalAddressText; // "a.b.c.d"
    QStringList deepColor;       // "DC_48bit", "DC_36bit", "DC_30bit", "DC_Y444"
    bool supportsAi = false;
    bool dviDual = false;
    int maxTmdsClockMHz = 0; // 0: not given
    // Latencies in ms; -1 not given, -2 "not supported" (255), 0 unknown.
    int videoLatencyMs = -1;
    int audioLatencyMs = -1;
    int interlacedVideoLatencyMs = -1;
    int interlacedAudioLatencyMs = -1;
    bool threeD = false; // 3D_present: the mandatory 3D formats
    int threeDMulti = 0; // 3D_Multi_present 0..3
    QStringList threeDFormats;
    QList<int> hdmiVics;
};

// HDMI Forum vendor-specific data block (OUI C4-5D-D8) or sink capability
// data block.
struct EdidHdmiForumBlock {
    bool present = false;
    int version = 0;
    int maxTmdsCharacterRateMHz = 0; // 0: not given (340 MHz or less)
    bool scdc = false;
    bool readRequest = false;
    int maxFrlRate = 0; // the field 0..6 (higher values reserved)
    int frlLanes = 0;   // 3 or 4, 0 without FRL
    int frlGbpsPerLane = 0;
    QStringList deepColor420; // "DC_48bit_420", ...
    bool allm = false;
    bool mDelta = false;
    bool fva = false;
    bool cnmVrr = false;
    bool cinemaVrr = false;
    bool qms = false;
    int vrrMinHz = 0; // 0: no VRR
    int vrrMaxHz = 0;
    bool dsc = false; // DSC_1p2
    bool dscNative420 = false;
    bool dscAllBpp = false;
    QStringList dscDepths; // "10 bpc", "12 bpc", "16 bpc"
    int dscMaxFrlRate = 0;
    int dscFrlLanes = 0;
    int dscFrlGbpsPerLane = 0;
    int dscMaxSlices = 0; // the field
    int dscTotalChunkKBytes = 0;
};

struct EdidHdrStatic {
    bool present = false;
    QStringList eotfs; // "Traditional gamma - SDR", ... "SMPTE ST2084", "HLG"
    bool staticType1 = false;
    double maxLuminance = 0.0; // cd/m^2, 0: not given
    double maxFrameAverageLuminance = 0.0;
    double minLuminance = 0.0;
    bool hasMinLuminance = false;
};

struct EdidVideoCapability {
    bool present = false;
    bool quantizationYcc = false; // QY: selectable
    bool quantizationRgb = false; // QS: selectable
    QString pt, it, ce;           // scan behaviour texts
};

struct EdidInfo {
    int inputSize = 0;    // bytes handed in
    int bytesDecoded = 0; // whole blocks read, at most EdidMaxBlocks of them
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

    // Basic display parameters (bytes 20..24) and chromaticity.
    bool hasDisplayParameters = false;
    bool digital = false;
    int bitDepth = 0;  // digital 1.4: bits per primary colour, 0 undefined
    QString interface; // digital 1.4: "HDMI-a", "DisplayPort", ...; analogue: signal level
    int widthCm = 0;   // 0 with heightCm 0: size unknown or variable
    int heightCm = 0;
    double gamma = 0.0;        // 0: given in an extension block
    QString colorFormats;      // "RGB 4:4:4, YCbCr 4:4:4" or the analogue display type
    QStringList features;      // DPMS, sRGB default, continuous frequency ...
    bool preferredBit = false; // byte 0x18 bit 1
    double chroma[8] = {};     // red x, y, green x, y, blue x, y, white x, y

    QString displayName;   // display product name descriptor, empty when absent
    QString displaySerial; // display product serial number descriptor
    QString dataString;    // alphanumeric data string descriptor
    bool hasRangeLimits = false;
    EdidRangeLimits rangeLimits;

    // The preferred timing by the version's rules: EDID 1.4 the first
    // detailed timing; EDID 1.3 and before only when byte 0x18 says so.
    bool hasPreferredTiming = false;
    EdidTiming preferredTiming;

    // Every timing, block by block in the order the blocks list them.
    QList<EdidTiming> timings;

    // CTA-861 extension(s).
    bool hasCta = false;
    int ctaRevision = 0;
    bool underscan = false;
    bool basicAudio = false;
    bool ycbcr444 = false;
    bool ycbcr422 = false;
    int nativeDtds = 0;
    QStringList ctaDataBlocks;       // every data block by name, in order
    QList<EdidVideoMode> videoModes; // video data blocks, then 4:2:0-only modes
    QList<EdidAudioFormat> audioFormats;
    bool hasSpeakerAllocation = false;
    QStringList speakers; // "FL/FR", "LFE1", "FC", ...
    EdidVideoCapability videoCapability;
    bool hasColorimetry = false;
    QStringList colorimetry; // "xvYCC601", "BT2020RGB", ...
    EdidHdrStatic hdr;
    EdidHdmiBlock hdmi;
    EdidHdmiForumBlock hdmiForum;

    // DisplayID extension(s).
    bool hasDisplayId = false;
    int displayIdVersion = 0; // 0x12, 0x20 ...

    // Conformance: what violates the standards, as plain sentences.
    QStringList failures;
    QStringList warnings;
};

EdidInfo DecodeEdid(const QByteArray &bytes);

// The fastest TMDS clock the sink declares (HDMI block or HDMI Forum), MHz.
int EdidMaxTmdsMHz(const EdidInfo &info);
