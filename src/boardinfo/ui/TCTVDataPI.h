#pragma once
// The board-information tree view without check boxes, as the product
// information page shows the unit's boards.

#include "boardinfo/ui/TCTVData.h"

class TCTVDataPI : public TCTVData {
    Q_OBJECT
public:
    explicit TCTVDataPI(QWidget *parent = nullptr);
};
