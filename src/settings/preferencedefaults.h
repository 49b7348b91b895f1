#pragma once

class Preferences;

/// Registers the application's six preference defaults (history limit, launch at
/// login, auto-clear option, shortcut key code and modifiers, onboarding shown).
/// Called first thing at launch, before anything reads a preference.
void registerPreferenceDefaults(Preferences &preferences);
