#include "onboarding/onboardingtimeline.h"

OnboardingTimeline::OnboardingTimeline(QObject *parent)
    : QObject(parent)
{
}

void OnboardingTimeline::at(int milliseconds, bool OnboardingTimeline::*flag)
{
    const auto set = [this, flag] {
        this->*flag = true;
        Q_EMIT changed();
    };
    Scheduler *scheduler = viewScheduler();
    if (milliseconds == 0 || !scheduler)
        set();
    else
        scheduler->after(std::chrono::milliseconds(milliseconds), this, set);
}

void OnboardingTimeline::startWelcomeSequence()
{
    at(0, &OnboardingTimeline::m_appeared);
    at(200, &OnboardingTimeline::m_iconLanded);
    at(500, &OnboardingTimeline::m_titleVisible);
    at(700, &OnboardingTimeline::m_bullet1Visible);
    at(850, &OnboardingTimeline::m_bullet2Visible);
    at(1000, &OnboardingTimeline::m_bullet3Visible);
    at(1200, &OnboardingTimeline::m_buttonVisible);
    at(1300, &OnboardingTimeline::m_glowPulse);
}

void OnboardingTimeline::startDoneSequence()
{
    at(500, &OnboardingTimeline::m_circleDrawn);
    at(900, &OnboardingTimeline::m_checkmarkDrawn);
    at(1200, &OnboardingTimeline::m_glowing);
    at(1300, &OnboardingTimeline::m_headlineVisible);
    at(1500, &OnboardingTimeline::m_subtextVisible);
    at(1700, &OnboardingTimeline::m_previewVisible);
    at(2100, &OnboardingTimeline::m_button2Visible);
    at(2300, &OnboardingTimeline::m_shimmering);
}
