#pragma once

#include <QString>

#include <memory>

class ReportDocument;

// The report engine's entry point: opens report files (format: README.md).
class ReportEngine
{
public:
    enum OpenMode {
        OpenInPlace = 0,       // reads the file itself
        OpenTemporaryCopy = 1, // reads a private copy, so the file may change while the report is open
    };

    // Throws ReportError when the file is missing, unreadable or not a valid report, or
    // the open mode is not one of the above.
    static std::shared_ptr<ReportDocument> OpenReport(const QString &path, int openMode = OpenInPlace);
};
