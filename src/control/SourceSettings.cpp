#include "control/SourceSettings.h"

#include "protocol/CommandCodes.h"

namespace SourceSettings {

QStringList VideoSourceItems() {
    return {QStringLiteral("HDBT"), QStringLiteral("HDMI")};
}

QStringList InputAudioItems() {
    return {QStringLiteral("Original"), QStringLiteral("Analog L/R In embeded"),
            QStringLiteral("Analog embeded when DVI")};
}

QStringList OutputAudioItems() {
    return {QStringLiteral("Analog L/R In"), QStringLiteral("Extracted from Input"),
            QStringLiteral("ARC"), QStringLiteral("Analog L/R In follow Output-Input selection"),
            QStringLiteral("Extracted follow Output-Input selection")};
}

QStringList AudioPortItems() {
    QStringList items;
    for (int n = 1; n <= Ports; ++n)
        items << QString::number(n);
    return items;
}

QStringList AudioDelayItems() {
    QStringList items{QStringLiteral("No delay")};
    for (int ms = 50; ms <= 500; ms += 50)
        items << QStringLiteral("%1ms").arg(ms);
    return items;
}

QStringList PohItems() {
    return {QStringLiteral("Off"), QStringLiteral("On")};
}

int VideoSourceItem(int source) {
    if (source == InputParam::SourceHdmi)
        return VideoItemHdmi;
    if (source == InputParam::SourceHdbt)
        return VideoItemHdbt;
    return -1;
}

int OutputAudioCode(int item, int portItem) {
    switch (item) {
    case 0:
    case 1:
    case 2:
        if (!InRange(portItem, Ports))
            return -1;
        return (item == 0   ? AudioParam::AnalogBase
                : item == 1 ? AudioParam::ExtractedBase
                            : AudioParam::ArcBase) +
               portItem;
    case 3:
        return AudioParam::AnalogFollow;
    case 4:
        return AudioParam::ExtractedFollow;
    default:
        return -1;
    }
}

bool PortComboEnabled(int item) {
    return item >= 0 && item <= 2;
}

OutputAudio DecodeOutputAudio(int code) {
    OutputAudio a;
    if (code >= AudioParam::AnalogBase && code < AudioParam::AnalogFollow) {
        a.valid = true;
        a.item = (code - 1) / Ports;
        a.portItem = (code - 1) % Ports;
        a.portEnabled = true;
    } else if (code == AudioParam::AnalogFollow || code == AudioParam::ExtractedFollow) {
        a.valid = true;
        a.item = code == AudioParam::AnalogFollow ? 3 : 4;
        a.portEnabled = false;
    }
    return a;
}

InputType TypeOfSource(int source) {
    if (source >= InputParam::TypeHdmi && source <= InputParam::TypeHdmiLast)
        return InputType::Hdmi;
    if (source >= InputParam::TypeVga && source <= InputParam::TypeVgaLast)
        return InputType::Vga;
    return InputType::Unknown;
}

uint8_t PohMask(const std::array<int, Ports> &items) {
    uint8_t mask = 0;
    for (int k = 0; k < Ports; ++k)
        if (items[k] == 1)
            mask |= uint8_t(1u << k);
    return mask;
}

} // namespace SourceSettings
