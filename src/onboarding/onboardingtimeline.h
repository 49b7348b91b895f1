#pragma once

#include "platform/scheduler.h"

#include <QObject>
#include <qqmlintegration.h>

/// The onboarding's two timetables: which part of each screen shows when. Each step
/// flips one flag; the view animates the change. Timed by the view scheduler,
/// so tests run it on virtual time. Steps already scheduled are never cancelled.
class OnboardingTimeline : public QObject
{
    Q_OBJECT
    QML_ELEMENT

    Q_PROPERTY(bool appeared MEMBER m_appeared NOTIFY changed)
    Q_PROPERTY(bool iconLanded MEMBER m_iconLanded NOTIFY changed)
    Q_PROPERTY(bool titleVisible MEMBER m_titleVisible NOTIFY changed)
    Q_PROPERTY(bool bullet1Visible MEMBER m_bullet1Visible NOTIFY changed)
    Q_PROPERTY(bool bullet2Visible MEMBER m_bullet2Visible NOTIFY changed)
    Q_PROPERTY(bool bullet3Visible MEMBER m_bullet3Visible NOTIFY changed)
    Q_PROPERTY(bool buttonVisible MEMBER m_buttonVisible NOTIFY changed)
    Q_PROPERTY(bool glowPulse MEMBER m_glowPulse NOTIFY changed)
    Q_PROPERTY(bool circleDrawn MEMBER m_circleDrawn NOTIFY changed)
    Q_PROPERTY(bool checkmarkDrawn MEMBER m_checkmarkDrawn NOTIFY changed)
    Q_PROPERTY(bool glowing MEMBER m_glowing NOTIFY changed)
    Q_PROPERTY(bool headlineVisible MEMBER m_headlineVisible NOTIFY changed)
    Q_PROPERTY(bool subtextVisible MEMBER m_subtextVisible NOTIFY changed)
    Q_PROPERTY(bool previewVisible MEMBER m_previewVisible NOTIFY changed)
    Q_PROPERTY(bool button2Visible MEMBER m_button2Visible NOTIFY changed)
    Q_PROPERTY(bool shimmering MEMBER m_shimmering NOTIFY changed)

public:
    explicit OnboardingTimeline(QObject *parent = nullptr);

    /// The welcome screen's steps, from the moment it comes on screen.
    Q_INVOKABLE void startWelcomeSequence();
    /// The done screen's steps, from the press of "Get Started".
    Q_INVOKABLE void startDoneSequence();

Q_SIGNALS:
    void changed();

private:
    void at(int milliseconds, bool OnboardingTimeline::*flag);

    bool m_appeared = false;
    bool m_iconLanded = false;
    bool m_titleVisible = false;
    bool m_bullet1Visible = false;
    bool m_bullet2Visible = false;
    bool m_bullet3Visible = false;
    bool m_buttonVisible = false;
    bool m_glowPulse = false;
    bool m_circleDrawn = false;
    bool m_checkmarkDrawn = false;
    bool m_glowing = false;
    bool m_headlineVisible = false;
    bool m_subtextVisible = false;
    bool m_previewVisible = false;
    bool m_button2Visible = false;
    bool m_shimmering = false;
};
