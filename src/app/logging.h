#pragma once

#include <QLoggingCategory>

/// The application shell's milestones, for tests and for finding out what happened:
/// enable with QT_LOGGING_RULES="jotterly.app.debug=true". Silent otherwise.
Q_DECLARE_LOGGING_CATEGORY(lcApp)
