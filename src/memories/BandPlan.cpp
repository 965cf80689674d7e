#include "BandPlan.h"

namespace {

// Edges as IARU region 1 has them; "3-30MHz" is the picker's catch-all and has none.
const QString GeneralCoverage = QStringLiteral("3-30MHz");

} // namespace

const QList<Band>& bandPlan()
{
    static const QList<Band> bands = {
        {QStringLiteral("160"), 1800, 2000, true},   {QStringLiteral("80"), 3500, 4000, true},
        {QStringLiteral("60"), 5250, 5450, true},    {QStringLiteral("40"), 7000, 7300, true},
        {QStringLiteral("30"), 10100, 10150, true},  {QStringLiteral("20"), 14000, 14350, true},
        {QStringLiteral("17"), 18068, 18168, true},  {QStringLiteral("15"), 21000, 21450, true},
        {QStringLiteral("10"), 28000, 29700, true},  {QStringLiteral("6"), 50000, 54000, true},
        {QStringLiteral("CB"), 26965, 27405, true},  {GeneralCoverage, 0, 0, true},
        {QStringLiteral("12"), 24890, 24990, false},
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
