#include "app/HelpDocument.h"

#include <QFile>
#include <QStringDecoder>

QString HelpDocument::Load(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw HelpFileError(QString::fromUtf16(kMissing).arg(path));
    }
    const QString damaged = QString::fromUtf16(kDamaged).arg(path);
    if (file.size() > kMaxSize) {
        throw HelpFileError(damaged);
    }
    const QByteArray bytes = file.read(kMaxSize + 1);
    if (bytes.size() > kMaxSize) {
        throw HelpFileError(damaged);
    }
    QStringDecoder decode(QStringDecoder::Utf8);
    const QString html = decode(bytes);
    if (decode.hasError() || !html.contains(u"<html", Qt::CaseInsensitive) ||
        !html.contains(u"</html>", Qt::CaseInsensitive)) {
        throw HelpFileError(damaged);
    }
    return html;
}
