// What a screen reader meets, asked through Qt's accessibility interface as the desktop's bridge asks:
// each of the program's windows is a window, a control that shows text is named by that text (so the
// name follows the caption as it changes), a text field by the label beside it, and a control that
// shows nothing still has a name of its own.
#include "MainWindowRig.h"

#include <QAccessible>
#include <QAction>
#include <QLabel>
#include <QMenuBar>
#include <QTest>

namespace {

// The caption as it should be heard: without its access-key ampersand.
QString caption(const QWidget* control)
{
    // Buttons and labels show their text, frames their title; a field's text is no caption.
    const bool showsText = qobject_cast<const QAbstractButton*>(control) || qobject_cast<const QLabel*>(control);
    return control->property(showsText ? "text" : "title").toString().remove(u'&').simplified();
}

QString accessibleName(QWidget* control)
{
    return QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name).simplified();
}

// A screen reader says a field's label with it: in the field's name, or, for a combo box on Linux
// whose name is its text, through the "labelled by" relation.
bool heardWithLabel(QWidget* field, QLabel* label)
{
    if (accessibleName(field).contains(caption(label)))
        return true;
    const auto relations = QAccessible::queryAccessibleInterface(field)->relations(QAccessible::Label);
    return std::any_of(relations.begin(), relations.end(), [label](const auto& relation) {
        return relation.first == QAccessible::queryAccessibleInterface(label);
    });
}

} // namespace

class TestAccessibility : public QObject {
    Q_OBJECT
private slots:
    void everyWindowNamesItsControlsByWhatTheyShow()
    {
        // Everything open, with the captions that change at run time changed: the port open
        // ("&Disconnect"), the servo on ("ON"), the band picker showing its bands.
        MainWindowRig rig;
        QVERIFY(rig.start());
        // "Learn Band" twice: one window, raised again.
        for (const char* action : {"porta_com", "setta_servo", "setta_INI", "INFO_PROC", "setta_RIG", "grafico_memorie",
                                   "learnBand", "learnBand"})
            rig.get<QAction>(action)->trigger();
        QCOMPARE(rig.window->findChildren<QWidget*>(QStringLiteral("LearnWindow")).size(), 1);
        rig.click("Command1");
        rig.click("MEMO");
        widget<QAbstractButton>(*rig.get<QWidget>("MEMOMASK"), "Command5")->click();
        for (QWidget* top : {static_cast<QWidget*>(rig.window.get()), rig.get<QWidget>("VELTRANO_INI"),
                             rig.get<QWidget>("INFO"), rig.get<QWidget>("MEMOMASK"), rig.get<QWidget>("RigWindow"),
                             rig.get<QWidget>("TuningChartWindow"), rig.get<QWidget>("LearnWindow")}) {
            QCOMPARE(QAccessible::queryAccessibleInterface(top)->role(), QAccessible::Window);
            int checked = 0;
            for (QWidget* control : top->findChildren<QWidget*>()) {
                // Plain containers, the menu bar (its items are the menus' own texts) and the pieces Qt
                // builds inside its widgets are no controls; the secondary windows are children of the
                // main window but not part of it.
                if (control->window() != top || control->metaObject() == &QWidget::staticMetaObject ||
                    qobject_cast<QMenuBar*>(control) || control->objectName().isEmpty() ||
                    control->objectName().startsWith(u"qt_"))
                    continue;
                const QString name = accessibleName(control);
                const QString shown = caption(control);
                auto* label = qobject_cast<QLabel*>(control);
                if (!shown.isEmpty())
                    QVERIFY2(name.contains(shown), qPrintable(QStringLiteral("%1 shows \"%2\" but is named \"%3\"")
                                                                  .arg(control->objectName(), shown, name)));
                else if (!label)
                    QVERIFY2(!name.isEmpty(), qPrintable(control->objectName() + QStringLiteral(" has no name")));
                if (label && label->buddy())
                    QVERIFY2(heardWithLabel(label->buddy(), label),
                             qPrintable(QStringLiteral("%1 is not heard with \"%2\" beside it")
                                            .arg(label->buddy()->objectName(), shown)));
                checked += int(!shown.isEmpty()) + int(label && label->buddy());
            }
            QVERIFY2(checked > 0, qPrintable(top->objectName() + ": the walk found nothing that shows text"));
        }
    }
};

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
