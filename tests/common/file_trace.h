#pragma once

#include <QLoggingCategory>
#include <QStringList>

namespace kaltero::testing {

// Collects the trace of the file readers and writers (category "kaltero.files") while it lives:
// one line per whole-file read ("read PATH N bytes") and write ("wrote ..." / "not written ...").
class FileTrace {
public:
    FileTrace() {
        lines_.clear();
        QLoggingCategory::setFilterRules(QStringLiteral("kaltero.files.debug=true"));
        previous_ = qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext& context, const QString& text) {
                if (QByteArrayView(context.category) == "kaltero.files") {
                    lines_.append(text);
                }
            });
    }
    ~FileTrace() {
        qInstallMessageHandler(previous_);
        QLoggingCategory::setFilterRules(QString());
    }
    FileTrace(const FileTrace&) = delete;
    FileTrace& operator=(const FileTrace&) = delete;

    const QStringList& lines() const { return lines_; }
    // The lines of one kind ("read", "wrote", "not written") about one file.
    QStringList of(const QString& kind, const QString& path) const {
        QStringList found;
        for (const QString& line : lines_) {
            if (line.startsWith(kind + u' ') && line.contains(u'"' + path + u'"')) {
                found.append(line);
            }
        }
        return found;
    }

private:
    static inline QStringList lines_;
    QtMessageHandler previous_ = nullptr;
};

}  // namespace kaltero::testing
