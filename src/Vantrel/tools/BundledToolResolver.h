#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace vantrel {

// Finds the external ffmpeg and ffprobe executables: first in the Helpers folder
// beside the application's executable, then in the usual installation folders.
// Nothing is cached; every call looks at the file system again. Only regular
// files the current user may execute count as found.
class BundledToolResolver {
public:
    enum class Tool { ffmpeg, ffprobe };

    // The folders searched, in order. The helpers folder is tried first; the
    // system folders are the last stage (systemToolURL).
    struct SearchList {
        QString helpersFolder;
        QStringList systemFolders;
    };

    // "Helpers" beside the running executable, then /usr/local/bin, then /usr/bin.
    static SearchList defaultSearchList();

    BundledToolResolver();
    explicit BundledToolResolver(SearchList searchList);

    // The executable's file name: "ffmpeg" or "ffprobe".
    static QString rawValue(Tool tool);

    // The absolute path of the tool, or none when it is found nowhere.
    std::optional<QString> resolve(Tool tool) const;
    bool isAvailable(Tool tool) const;
    // The installation-folder stage of the lookup on its own.
    std::optional<QString> systemToolURL(Tool tool) const;

    // True for a regular file (links followed) that the current user may execute.
    static bool isExecutableFile(const QString& path);

private:
    std::optional<SearchList> searchList_;  // none: the default list, computed per call
};

}  // namespace vantrel
