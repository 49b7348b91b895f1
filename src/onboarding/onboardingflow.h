#pragma once

#include <QObject>
#include <qqmlintegration.h>

/// What the welcome window tells the application: the two presses that move a user
/// through it. The window's owner listens; the view only calls.
class OnboardingFlow : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The application makes the onboarding's flow.")

public:
    using QObject::QObject;

    /// "Get Started" was pressed.
    Q_INVOKABLE void getStarted() { Q_EMIT getStartedPressed(); }
    /// "Start Using jotterly" was pressed.
    Q_INVOKABLE void complete() { Q_EMIT completed(); }

Q_SIGNALS:
    /// The user left the welcome screen: the onboarding counts as shown from now on.
    void getStartedPressed();
    /// The user is done with the onboarding.
    void completed();
};
