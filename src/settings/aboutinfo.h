#pragma once

#include <QObject>
#include <QString>
#include <qqmlintegration.h>

/// What the About page says about this build: the links, the contact address and the
/// fine print, chosen when jotterly is built. An empty value is not shown.
class AboutInfo : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

    /// The product's web site.
    Q_PROPERTY(QString websiteUrl READ websiteUrl CONSTANT)
    /// The maker's web site, with its other utilities.
    Q_PROPERTY(QString makerUrl READ makerUrl CONSTANT)
    /// The maker's contact address.
    Q_PROPERTY(QString contact READ contact CONSTANT)
    /// The line of fine print at the bottom.
    Q_PROPERTY(QString finePrint READ finePrint CONSTANT)

public:
    using QObject::QObject;

    [[nodiscard]] QString websiteUrl() const;
    [[nodiscard]] QString makerUrl() const;
    [[nodiscard]] QString contact() const;
    [[nodiscard]] QString finePrint() const;
};
