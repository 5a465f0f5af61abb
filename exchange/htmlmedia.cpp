#include "exchange/source.h"

#include <QRegularExpression>
#include <QUrl>

#include <algorithm>

namespace exchange {

namespace {

// Moodle keeps a question's files in its own area and links them by this prefix.
const QString kFileLink = QStringLiteral("@@PLUGINFILE@@/");

bool linksOwnFile(const QString& address) {
    return address.startsWith(kFileLink, Qt::CaseInsensitive);
}

// A link without its query or fragment, which follow a literal "?" or "#".
QString withoutQuery(const QString& address) {
    const auto cut = std::find_if(address.cbegin(), address.cend(),
                                  [](QChar c) { return c == u'?' || c == u'#'; });
    return address.left(cut - address.cbegin());
}

// Whether a link to a web address plays a sound or a video rather than opening a page: the
// question then leans on a file the base cannot link to either.
bool linksMediaFile(const QString& address) {
    static const QRegularExpression media(
        QStringLiteral("\\.(mp3|wav|ogg|oga|m4a|aac|flac|wma|mid|midi|mp4|m4v|webm|ogv|avi|mov|"
                       "wmv|flv|mpe?g|3gp|swf)$"),
        QRegularExpression::CaseInsensitiveOption);
    return media.match(withoutQuery(address)).hasMatch();
}

// The file name a link names: a query or fragment after a literal "?" or "#" is the link's, a
// percent-encoded one ("%3F") belongs to the name.
QString linkedName(const QString& address) {
    return QUrl::fromPercentEncoding(withoutQuery(address.mid(kFileLink.size())).toUtf8());
}

// How a left-out address is named to the user: a file by its name, a long address cut short.
QString shownAddress(const QString& address) {
    if (linksOwnFile(address))
        return linkedName(address);
    return address.size() > 80 ? address.left(77) + QStringLiteral("…") : address;
}

// The picture a data: address carries, named by its type; nothing when it is not one.
std::optional<Picture> dataPicture(const QString& address) {
    const qsizetype comma = address.indexOf(u',');
    if (comma < 0)
        return std::nullopt;
    const QString header = address.mid(5, comma - 5).toLower();
    const QStringList parts = header.split(u';');
    const QString type = parts.first().trimmed();
    if (!type.startsWith(QLatin1String("image/")))
        return std::nullopt;
    const QByteArray body = address.mid(comma + 1).toLatin1();
    QByteArray data;
    if (parts.contains(QLatin1String("base64"))) {
        if (body.size() > kMaxPictureBytes / 3 * 4 + 1024)
            return std::nullopt;
        // Addresses written into HTML are often wrapped over several lines.
        auto decoded = QByteArray::fromBase64Encoding(
            QByteArray(body).replace(' ', "").replace('\n', "").replace('\r', ""),
            QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded)
            return std::nullopt;
        data = *decoded;
    } else {
        data = QByteArray::fromPercentEncoding(body);
    }
    if (data.isEmpty() || data.size() > kMaxPictureBytes)
        return std::nullopt;
    QString suffix = type.mid(6).section(u'+', 0, 0);
    if (suffix == QLatin1String("jpeg"))
        suffix = QStringLiteral("jpg");
    return Picture{QStringLiteral("картинка.") + suffix, data};
}

}  // namespace

QString trimmedText(QStringView text) {
    const auto space = [](QChar c) {
        return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\0';
    };
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && space(text[begin]))
        ++begin;
    while (end > begin && space(text[end - 1]))
        --end;
    return text.mid(begin, end - begin).toString();
}

QList<HtmlMedia> mediaOfHtml(QStringView html) {
    static const QRegularExpression tag(
        QStringLiteral("<(img|a|audio|video|source|embed|object|iframe)(\\s[^>]*)?>"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression attribute(
        QStringLiteral("(?:^|\\s)(src|href|data)\\s*=\\s*(?:\"([^\"]*)\"|'([^']*)'|([^\\s\"'>]+))"),
        QRegularExpression::CaseInsensitiveOption);
    QList<HtmlMedia> media;
    for (auto tags = tag.globalMatch(html); tags.hasNext();) {
        const auto found = tags.next();
        const QString name = found.captured(1).toLower();
        const QString attributes = found.captured(2);
        const QString wanted = name == QLatin1String("a")        ? QStringLiteral("href")
                               : name == QLatin1String("object") ? QStringLiteral("data")
                                                                 : QStringLiteral("src");
        for (auto values = attribute.globalMatch(attributes); values.hasNext();) {
            const auto value = values.next();
            if (value.captured(1).toLower() != wanted)
                continue;
            QString address = value.captured(2) + value.captured(3) + value.captured(4);
            if (address.contains(u'&'))
                address = plainTextOfHtml(address);
            address = address.trimmed();
            // A link to a web page belongs with the text's words; a link to the source's own
            // file is a download the question offers, and one to a sound or a video elsewhere
            // is what the question asks about.
            if (!address.isEmpty() &&
                (name != QLatin1String("a") || linksOwnFile(address) || linksMediaFile(address)))
                media << HtmlMedia{address, name == QLatin1String("img")};
            break;
        }
    }
    return media;
}

std::optional<Picture> pictureOfHtml(QStringView html, const QList<Picture>& files,
                                     QStringList& problems) {
    std::optional<Picture> taken;
    bool several = false;
    for (const HtmlMedia& media : mediaOfHtml(html)) {
        const QString shown = shownAddress(media.address);
        if (!media.picture) {
            problems << QStringLiteral(
                            "файл «%1» не взят: в базе нет места для звука, видео и "
                            "других файлов")
                            .arg(shown);
            continue;
        }
        if (taken) {
            several = true;
            continue;
        }
        if (linksOwnFile(media.address)) {
            const QString name = linkedName(media.address);
            const auto file = std::find_if(files.cbegin(), files.cend(),
                                           [&](const Picture& f) { return f.name == name; });
            if (file == files.cend())
                problems << QStringLiteral("картинки «%1» нет в файле").arg(name);
            else if (file->data.isEmpty())
                problems << QStringLiteral("картинка «%1» повреждена").arg(name);
            else
                taken = *file;
        } else if (media.address.startsWith(QLatin1String("data:"), Qt::CaseInsensitive)) {
            taken = dataPicture(media.address);
            if (!taken)
                problems << QStringLiteral("картинка, записанная в самом тексте, повреждена");
        } else {
            problems
                << QStringLiteral("картинка «%1» не взята: она не в файле, а по ссылке").arg(shown);
        }
    }
    if (several)
        problems << QStringLiteral("в тексте несколько картинок, взята первая");
    return taken;
}

std::optional<QString> optionMediaRefusal(const QList<QList<HtmlMedia>>& media,
                                          const QStringList& texts, qsizetype correct,
                                          QStringList& problems) {
    for (qsizetype i = 0; i < media.size(); ++i) {
        if (media.at(i).isEmpty())
            continue;
        const bool onlyMedia = texts.value(i).trimmed().isEmpty();
        if (i == correct)
            return onlyMedia ? QStringLiteral(
                                   "верный вариант — картинка или файл, а вариант "
                                   "в базе может быть только текстом")
                             : QStringLiteral(
                                   "в верном варианте картинка или файл, а вариант "
                                   "в базе может быть только текстом");
        problems << (onlyMedia ? QStringLiteral("вариант %1 — картинка или файл, он не взят")
                               : QStringLiteral("из варианта %1 не взята картинка или файл"))
                        .arg(i + 1);
    }
    return std::nullopt;
}

}  // namespace exchange
