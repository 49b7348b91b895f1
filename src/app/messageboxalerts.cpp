#include "app/messageboxalerts.h"

#include <QMessageBox>
#include <QPushButton>

int MessageBoxAlerts::runModal(Style style, const QString &message, const QString &informativeText,
                               const QStringList &buttons)
{
    QMessageBox box;
    box.setIcon(style == Style::Warning ? QMessageBox::Warning
                : style == Style::Critical ? QMessageBox::Critical
                                           : QMessageBox::Information);
    box.setText(message);
    box.setInformativeText(informativeText);
    QList<QPushButton *> added;
    for (const QString &title : buttons)
        added << box.addButton(title, added.isEmpty() ? QMessageBox::AcceptRole : QMessageBox::RejectRole);
    if (!added.isEmpty())
        box.setDefaultButton(added.constFirst());
    box.exec();
    return int(added.indexOf(qobject_cast<QPushButton *>(box.clickedButton())));
}
