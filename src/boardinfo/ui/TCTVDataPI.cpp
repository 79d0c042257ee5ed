#include "boardinfo/ui/TCTVDataPI.h"

TCTVDataPI::TCTVDataPI(QWidget *parent) : TCTVData(false, parent) {}
