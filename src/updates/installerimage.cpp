#include "updates/installerimage.h"

#include "platform/scheduler.h"
#include "updates/propertylist.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QVariantList>
#include <QVariantMap>

#include <algorithm>
#include <memory>
#include <utility>

using namespace Qt::StringLiterals;

namespace
{

// Values of the wrong type count as missing: a number must never stand in for a path.
std::optional<QString> stringValue(const QVariantMap &dictionary, const QString &key)
{
    const QVariant value = dictionary.value(key);
    if (value.typeId() != QMetaType::QString)
        return std::nullopt;
    return value.toString();
}

std::optional<QList<QVariantMap>> dictionaries(const QVariantMap &dictionary, const QString &key)
{
    const QVariant value = dictionary.value(key);
    if (value.typeId() != QMetaType::QVariantList)
        return std::nullopt;
    QList<QVariantMap> result;
    for (const QVariant &element : value.toList()) {
        if (element.typeId() != QMetaType::QVariantMap)
            return std::nullopt;
        result << element.toMap();
    }
    return result;
}

} // namespace

InstallerImageEnvironment InstallerImageEnvironment::system()
{
    return {QCoreApplication::applicationFilePath(),
            {u"/Applications"_s, QDir::homePath() + u"/Applications"_s},
            u"/usr/bin/hdiutil"_s};
}

std::optional<MountedInstallerImage> findMountedInstallerImage(const QByteArray &toolOutput, const QString &bundleFolderName)
{
    // Without a name every mount point would match.
    if (bundleFolderName.isEmpty())
        return std::nullopt;
    const std::optional<QVariant> list = readPropertyList(toolOutput);
    if (!list || list->typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    const std::optional<QList<QVariantMap>> images = dictionaries(list->toMap(), u"images"_s);
    if (!images)
        return std::nullopt;

    for (const QVariantMap &image : *images) {
        const std::optional<QString> imagePath = stringValue(image, u"image-path"_s);
        const std::optional<QList<QVariantMap>> entities = dictionaries(image, u"system-entities"_s);
        // A relative path would be taken against the working directory, which is no image's.
        if (!imagePath || !QDir::isAbsolutePath(*imagePath) || !entities)
            continue;
        for (const QVariantMap &entity : *entities) {
            const std::optional<QString> mountPoint = stringValue(entity, u"mount-point"_s);
            if (mountPoint && QDir::isAbsolutePath(*mountPoint) && QFileInfo::exists(QDir(*mountPoint).filePath(bundleFolderName)))
                return MountedInstallerImage{*imagePath, *mountPoint};
        }
    }
    return std::nullopt;
}

InstallerImageCleanup::InstallerImageCleanup(Scheduler *scheduler, InstallerImageEnvironment environment, QObject *parent)
    : QObject(parent)
    , m_scheduler(scheduler)
    , m_environment(std::move(environment))
{
    // Leave the freshly installed application a moment to come up before its image goes.
    m_scheduler->after(installerImageCleanupDelay, this, [this] { listImages(); });
}

InstallerImageCleanup::~InstallerImageCleanup()
{
    // Stopped with the application: leave no tool running behind it.
    if (m_process) {
        m_process->kill();
        m_process->waitForFinished(1000);
    }
}

void InstallerImageCleanup::listImages()
{
    // Skips a fork where the tool is missing, as it is on most Linux systems.
    if (!QFileInfo(m_environment.toolPath).isExecutable()) {
        finish();
        return;
    }
    runTool({u"info"_s, u"-plist"_s}, true, [this](ToolRun run) {
        const QByteArray output = std::exchange(m_output, {});
        const std::optional<MountedInstallerImage> image = run == ToolRun::Exited
            ? findMountedInstallerImage(output, QFileInfo(QDir::cleanPath(m_environment.bundlePath)).fileName())
            : std::nullopt;
        if (image)
            detach(*image);
        else
            finish();
    });
}

void InstallerImageCleanup::detach(const MountedInstallerImage &image)
{
    runTool({u"detach"_s, image.mountPoint, u"-quiet"_s}, false, [this, imagePath = image.imagePath](ToolRun run) {
        // A failed detach is still followed by the attempt to trash; only a tool that never ran ends here.
        if (run != ToolRun::FailedToStart)
            QFile::moveToTrash(imagePath);
        finish();
    });
}

void InstallerImageCleanup::runTool(const QStringList &arguments, bool readOutput, std::function<void(ToolRun)> then)
{
    auto *process = new QProcess(this);
    m_process = process;
    auto stopped = std::make_shared<bool>(false);
    auto stop = [process, stopped] {
        *stopped = true;
        process->kill();
    };
    auto done = [this, process, then = std::move(then)](ToolRun run) {
        m_process.clear();
        process->deleteLater();
        then(run);
    };

    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    if (readOutput) {
        // Reads as output arrives, so the pipe never blocks the tool and the limit holds.
        connect(process, &QProcess::readyReadStandardOutput, this, [this, process, stopped, stop] {
            if (*stopped)
                return;
            if (m_output.size() + process->bytesAvailable() > diskImageToolOutputLimit) {
                stop();
                return;
            }
            m_output += process->readAllStandardOutput();
        });
    } else {
        process->setStandardOutputFile(QProcess::nullDevice());
    }
    connect(process, &QProcess::errorOccurred, this, [process, done](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart && process->state() == QProcess::NotRunning)
            done(ToolRun::FailedToStart);
    });
    connect(process, &QProcess::finished, this, [this, process, readOutput, stopped, done] {
        if (readOutput && !*stopped) {
            if (m_output.size() + process->bytesAvailable() > diskImageToolOutputLimit)
                *stopped = true;
            else
                m_output += process->readAllStandardOutput();
        }
        done(*stopped ? ToolRun::Stopped : ToolRun::Exited);
    });
    // A tool that hangs must not keep the clean-up, and its process, alive for ever.
    m_scheduler->after(diskImageToolTimeLimit, process, stop);
    process->start(m_environment.toolPath, arguments);
}

void InstallerImageCleanup::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    Q_EMIT finished();
    deleteLater();
}

InstallerImageCleanup *cleanUpInstallerDiskImage(Scheduler *scheduler, QObject *parent, const InstallerImageEnvironment &environment)
{
    const QString &bundlePath = environment.bundlePath;
    const bool inApplicationsFolder = std::any_of(environment.applicationsFolders.cbegin(), environment.applicationsFolders.cend(),
                                                  [&](const QString &folder) { return !folder.isEmpty() && bundlePath.startsWith(folder); });
    if (!inApplicationsFolder)
        return nullptr;
    return new InstallerImageCleanup(scheduler, environment, parent);
}
