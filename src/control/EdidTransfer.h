#pragma once
// The EDID page's transfers without widgets: reading the 256 bytes of an
// output or a user memory, and downloading bytes to an input, every input or
// a user memory (the prelude first, then the block write), each inside its
// own operation. The ports carry the names the page lists them by ("Out 3",
// "In 3", "All Inputs", "User EDID 1 Memory").

#include "app/AppContext.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

class EdidTransfer {
public:
    // Which list a port comes from: the read list (outputs, user memories)
    // or the download list (inputs, every input, user memories).
    enum class PortList { Read, Download };

    struct Port {
        uint16_t address = 0; // the EDID address the request carries
        bool allInputs = false;
        QString name; // as the page names it, without a label
    };

    // Looks `text` up among the names of `list`; case and blanks are not
    // significant ("out3", "Out 3", "all inputs", "user edid 1 memory"),
    // and "user1"/"user2" name the user memories. False when it is none.
    static bool FindPort(const QString &text, PortList list, Port &port);
    // Every name of `list`, in the page's order.
    static QStringList PortNames(PortList list);

    // The block read of `address` ("Reading..."). Done: `edid` holds what the
    // unit sent (checked by the caller with EdidBufferShowable).
    static RunResult Read(AppContext *ctx, uint16_t address, QByteArray &edid, TReplyRecord &reply);
    // The prelude (through RunPoweredCommand: refused while the unit is off),
    // then the block write of `edid` to `port` ("Downloading...").
    static RunResult Download(AppContext *ctx, const Port &port, const QByteArray &edid,
                              TReplyRecord &reply);
    // The prelude alone, with the caption of the operation it precedes.
    static RunResult SendPrelude(AppContext *ctx, const QString &caption);
};
