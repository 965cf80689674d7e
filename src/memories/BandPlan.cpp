#include "BandPlan.h"

namespace {

// "3-30MHz" is the picker's catch-all and has no edges.
const QString GeneralCoverage = QStringLiteral("3-30MHz");

} // namespace

const QList<Band>& bandPlan()
{
    static const QList<Band> bands = {
        {QStringLiteral("160"), 1800, 2000, true, 1810, 2000},
        {QStringLiteral("80"), 3500, 4000, true, 3500, 3800},
        {QStringLiteral("60"), 5250, 5450, true, 5351.5, 5366.5},
        {QStringLiteral("40"), 7000, 7300, true, 7000, 7200},
        {QStringLiteral("30"), 10100, 10150, true, 10100, 10150},
        {QStringLiteral("20"), 14000, 14350, true, 14000, 14350},
        {QStringLiteral("17"), 18068, 18168, true, 18068, 18168},
        {QStringLiteral("15"), 21000, 21450, true, 21000, 21450},
        {QStringLiteral("10"), 28000, 29700, true, 28000, 29700},
        {QStringLiteral("6"), 50000, 54000, true, 50000, 54000},
        {QStringLiteral("CB"), 26965, 27405, true, 26965, 27405},
        {GeneralCoverage, 0, 0, true},
        {QStringLiteral("12"), 24890, 24990, false, 24890, 24990},
    };
    return bands;
}

QList<Band> pickerBands()
{
    QList<Band> picker;
    for (const Band& band : bandPlan()) {
        if (band.onPicker)
            picker.append(band);
    }
    return picker;
}

QString bandLabelAt(double kHz)
{
    for (const Band& band : bandPlan()) {
        if (band.hasEdges() && kHz >= band.lowKHz && kHz <= band.highKHz)
            return band.label;
    }
    return kHz >= 3000 && kHz <= 30000 ? GeneralCoverage : QString();
}

const QStringList& pickerModes()
{
    static const QStringList modes = {QStringLiteral("FT8"),  QStringLiteral("FT4"),  QStringLiteral("PSK"),
                                      QStringLiteral("MFSK"), QStringLiteral("RTTY"), QStringLiteral("JS8"),
                                      QStringLiteral("JT9"),  QStringLiteral("AM"),   QStringLiteral("FM"),
                                      QStringLiteral("SSB"),  QStringLiteral("CW"),   QStringLiteral("ALTRO")};
    return modes;
}
