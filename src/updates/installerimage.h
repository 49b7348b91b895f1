#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <optional>

class QProcess;
class Scheduler;

/// A mounted disk image: the image file and where it is mounted.
struct MountedInstallerImage
{
    QString imagePath;
    QString mountPoint;

    friend bool operator==(const MountedInstallerImage &, const MountedInstallerImage &) = default;
};

/// What the installer-image clean-up looks at and runs.
struct InstallerImageEnvironment
{
    /// The installed application; its file name is what a mounted image must hold.
    QString bundlePath;
    /// The clean-up runs only when bundlePath begins with one of these.
    QStringList applicationsFolders;
    /// The disk-image tool.
    QString toolPath;

    /// This system: the running executable, "/Applications" and "~/Applications", and
    /// "/usr/bin/hdiutil" (absent on most Linux systems, where the clean-up ends at once).
    [[nodiscard]] static InstallerImageEnvironment system();
};

/// How long after launch the clean-up looks for the image.
inline constexpr std::chrono::seconds installerImageCleanupDelay{8};
/// The longest one run of the disk-image tool may take before it is killed.
inline constexpr std::chrono::seconds diskImageToolTimeLimit{30};
/// The most output of the tool that is read; a listing of a dozen images is a few dozen KiB.
inline constexpr qint64 diskImageToolOutputLimit = 1024 * 1024;

/// Finds, in the XML property list that the disk-image tool prints for "info -plist", the
/// first image (in the tool's order) with a mount point that holds a file or folder named
/// @p bundleFolderName. Images or entities whose keys are missing or of the wrong type,
/// and relative paths, are passed over; anything but a property list with an "images"
/// array of dictionaries yields nothing.
[[nodiscard]] std::optional<MountedInstallerImage> findMountedInstallerImage(const QByteArray &toolOutput,
                                                                             const QString &bundleFolderName);

/// One run of the installer-image clean-up: after installerImageCleanupDelay it asks the
/// tool for the mounted images, detaches the one the application was installed from and
/// moves its image file to the Trash. Every failure ends it silently. Deletes itself when done.
class InstallerImageCleanup : public QObject
{
    Q_OBJECT

public:
    /// Schedules the run on @p scheduler; use cleanUpInstallerDiskImage() rather than this.
    InstallerImageCleanup(Scheduler *scheduler, InstallerImageEnvironment environment, QObject *parent);
    ~InstallerImageCleanup() override;

Q_SIGNALS:
    /// The run has ended, whatever came of it.
    void finished();

private:
    enum class ToolRun { Exited, Stopped, FailedToStart };

    void listImages();
    void detach(const MountedInstallerImage &image);
    void runTool(const QStringList &arguments, bool readOutput, std::function<void(ToolRun)> then);
    void finish();

    Scheduler *m_scheduler;
    InstallerImageEnvironment m_environment;
    QPointer<QProcess> m_process;
    QByteArray m_output;
    bool m_finished = false;
};

/// Starts the installer-image clean-up when the application runs from one of the
/// applications folders, and returns at once: the running clean-up (which deletes itself
/// when done and is stopped, killing a running tool, when @p parent goes), or nullptr
/// when the application runs from elsewhere and nothing is started.
InstallerImageCleanup *cleanUpInstallerDiskImage(Scheduler *scheduler, QObject *parent,
                                                 const InstallerImageEnvironment &environment = InstallerImageEnvironment::system());
