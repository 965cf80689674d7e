#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The amateur bands as the memories name them. The picker shows its twelve buttons in this order,
// "Store" and following name a frequency's band from the widest edges any region gives it, and
// learning a band starts from IARU region 1's.
struct Band {
    QString label;
    int lowKHz = 0;
    int highKHz = 0;
    bool onPicker = false;
    double region1LowKHz = 0;
    double region1HighKHz = 0;
    bool hasEdges() const { return highKHz > 0; }
};

// Every band: the picker's, in the picker's order, then those only "Store" knows.
const QList<Band>& bandPlan();
// The picker's twelve.
QList<Band> pickerBands();
// The label "Store" gives a frequency: the band it lies in, else "3-30MHz" inside HF, else nothing.
QString bandLabelAt(double kHz);
// The mode picker's twelve modes, in its order.
const QStringList& pickerModes();
