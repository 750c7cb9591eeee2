#include "widgets/itemicons.h"

#include <QHash>
#include <QStringList>

namespace {
// Extension groups in lookup order; the groups are disjoint.
const QHash<QString, QString>& itemIconsByExtension()
{
    static const QHash<QString, QString> icons = [] {
        const std::pair<const char*, QStringList> groups[] = {
            { "doc_code",
                { "asm", "bat", "c", "css", "cpp", "cxx", "h", "htm", "html", "hxx", "idh", "inl", "java",
                    "lsp", "rss", "sql", "tpl", "xml" } },
            { "doc_txt", { "csv", "log", "text", "txt" } },
            { "doc_picture",
                { "ai", "arw", "bmp", "cr2", "crw", "dcm", "dicom", "dng", "gif", "jp2", "jpg", "jpeg", "nef",
                    "pcx", "pgm", "pic", "pict", "png", "ppm", "psd", "raw", "sr2", "tga", "tif", "tiff",
                    "xpm", "xwd" } },
            { "doc_word", { "doc", "docx", "dot", "dotx", "odt", "rtf", "ott" } },
            { "doc_excel", { "xls", "xlsb", "xlsx", "xlt", "xltx", "ods" } },
            { "doc_powerpoint", { "pps", "ppsx", "ppt", "pptx", "odp", "potx" } },
            { "doc_office", { "mpp", "odf", "odg", "vsd" } },
            { "doc_dwg", { "dwg", "dwf", "dwfx", "dxt", "plt", "hp", "hpg", "hpgl" } },
            { "doc_pdf", { "pdf", "ps", "eps" } },
            { "doc_zip", { "rar", "tar", "gz", "7z", "zip" } },
            { "doc_php", { "php" } },
        };
        QHash<QString, QString> map;
        for (const auto& group : groups) {
            for (const QString& extension : group.second)
                map.insert(
                    extension, QStringLiteral(":/images/icons/%1.png").arg(QLatin1String(group.first)));
        }
        return map;
    }();
    return icons;
}

const QHash<QString, QString>& itemIconsByFolderType()
{
    static const QHash<QString, QString> icons = [] {
        const char* const types[][2] = {
            { "addressbook", "folderAddressbook" },
            { "binder", "folderBinder" },
            { "calendar", "folderCalendar" },
            { "documents", "folderDocuments" },
            { "forms", "folderForms" },
            { "forum", "folderForum" },
            { "mail", "folderMail" },
            { "queries", "folderQueries" },
            { "reports", "folderReports" },
            { "repository", "folderRepository" },
            { "tables", "folderTables" },
            { "task", "folderTask" },
            { "url", "folderUrl" },
            { "workflow", "folderWorkflow" },
        };
        QHash<QString, QString> map;
        for (const auto& type : types)
            map.insert(
                QLatin1String(type[0]), QStringLiteral(":/images/icons/%1.gif").arg(QLatin1String(type[1])));
        return map;
    }();
    return icons;
}
} // namespace

QString fileExtension(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot + 1).toLower();
}

QString folderIconPath(const QString& type)
{
    return itemIconsByFolderType().value(type, QStringLiteral(":/images/icons/folderClassic.gif"));
}

QString documentIconPath(const QString& name)
{
    return itemIconsByExtension().value(fileExtension(name), QStringLiteral(":/images/icons/doc_other.png"));
}

QIcon folderIcon(const QString& type)
{
    return QIcon(folderIconPath(type));
}

QIcon documentIcon(const QString& name)
{
    return QIcon(documentIconPath(name));
}
