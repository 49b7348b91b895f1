#include "app/messageboxalerts.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

using namespace Qt::StringLiterals;

int MessageBoxAlerts::run(const Alert &alert)
{
    QMessageBox box(alert.style == Alert::Style::Warning ? QMessageBox::Warning : QMessageBox::Information,
                    QGuiApplication::applicationDisplayName(), alert.text);
    box.setTextFormat(Qt::PlainText);
    box.setInformativeText(alert.informativeText);
    // Texts can carry what an update feed supplied: never let them be read as markup.
    if (auto *label = box.findChild<QLabel *>(u"qt_msgbox_informativelabel"_s))
        label->setTextFormat(Qt::PlainText);

    const QStringList titles =
        alert.buttons.isEmpty() ? QStringList{QCoreApplication::translate("MessageBoxAlerts", "OK")} : alert.buttons;
    QList<QPushButton *> buttons;
    for (qsizetype i = 0; i < titles.size(); ++i) {
        // The last of several buttons is the way out, so Escape chooses it.
        const auto role = i == 0 ? QMessageBox::AcceptRole
                          : i == titles.size() - 1 ? QMessageBox::RejectRole
                                                   : QMessageBox::ActionRole;
        buttons << box.addButton(titles.at(i), role);
    }
    box.setDefaultButton(buttons.first());
    box.exec();
    return int(buttons.indexOf(qobject_cast<QPushButton *>(box.clickedButton())));
}
