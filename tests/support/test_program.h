#pragma once

// A whole Program on a temporary program folder (with its settings folder)
// and a temporary current directory, with recording services. With a
// `programFolderName`, the program folder is a folder of that name inside
// the temporary one.

#include "forms/program.h"
#include "forms/program_folder.h"
#include "settings/settings_files.h"
#include "support/fakes.h"
#include "support/file_bytes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <memory>

struct TestProgram
{
    QTemporaryDir folder;     // the program folder
    QTemporaryDir workingDir; // the process's current directory for kestra.ini
    FakeClock* clock = nullptr;
    RecordingSound* sound = nullptr;
    RecordingPrompts* prompts = nullptr;
    RecordingLauncher* launcher = nullptr;
    RecordingDialUp* dialUp = nullptr;
    RecordingBrowser* browser = nullptr;
    ScriptedFileChooser* fileChooser = nullptr;
    RecordingTray* tray = nullptr;
    int endProgramCalls = 0;
    std::unique_ptr<Program> program;

    explicit TestProgram(bool withSettingsFolder = true, std::unique_ptr<SoundDevice> realSound = nullptr,
                         const QString& programFolderName = QString())
    {
        const QString programFolder =
            programFolderName.isEmpty() ? folder.path() : folder.filePath(programFolderName);
        QDir().mkpath(programFolder);
        if (withSettingsFolder)
            QDir(programFolder).mkdir(kSettingsFolderName);
        Services services;
        services.clock = std::make_unique<FakeClock>();
        clock = static_cast<FakeClock*>(services.clock.get());
        clock->autoStep = 1000; // a wait on it is over after a reading or two
        if (realSound) {
            services.sound = std::move(realSound);
        } else {
            services.sound = std::make_unique<RecordingSound>();
            sound = static_cast<RecordingSound*>(services.sound.get());
        }
        services.prompts = std::make_unique<RecordingPrompts>();
        prompts = static_cast<RecordingPrompts*>(services.prompts.get());
        services.launcher = std::make_unique<RecordingLauncher>();
        launcher = static_cast<RecordingLauncher*>(services.launcher.get());
        services.dialUp = std::make_unique<RecordingDialUp>();
        dialUp = static_cast<RecordingDialUp*>(services.dialUp.get());
        services.browser = std::make_unique<RecordingBrowser>();
        browser = static_cast<RecordingBrowser*>(services.browser.get());
        services.fileChooser = std::make_unique<ScriptedFileChooser>();
        fileChooser = static_cast<ScriptedFileChooser*>(services.fileChooser.get());
        services.tray = std::make_unique<RecordingTray>();
        tray = static_cast<RecordingTray*>(services.tray.get());

        Program::Environment environment;
        environment.programFolder = programFolder;
        const QString cwd = workingDir.path();
        environment.currentDirectory = [cwd] { return cwd; };
        environment.endProgram = [this] { ++endProgramCalls; };
        program = std::make_unique<Program>(std::move(environment), std::move(services));
    }

    QString preferences() const { return PreferencesFile(program->programFolder()); }
    QString account() const { return AccountFile(program->programFolder()); }
    QString kestra() const { return workingDir.filePath(kCompanionFileName); }
};
