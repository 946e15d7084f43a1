#include "settings/Registry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>

#include <charconv>
#include <limits>
#include <vector>

namespace {

// "Software\Company\Product" -> company and product, the last two parts of
// the path. False when the path has fewer than two non-empty parts.
bool SplitKeyPath(const std::string& path, std::string& organization, std::string& application)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('\\', start);
        if (end == std::string::npos)
            end = path.size();
        if (end > start)
            parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    if (parts.size() < 2)
        return false;
    organization = parts[parts.size() - 2];
    application = parts.back();
    return true;
}

std::unique_ptr<QSettings> MakeSettings(const std::string& organization, const std::string& application)
{
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QString::fromStdString(organization),
                                       QString::fromStdString(application));
}

bool EnsureFileExists(const QString& fileName)
{
    if (!QDir().mkpath(QFileInfo(fileName).absolutePath()))
        return false;
    QFile file(fileName);
    return file.open(QIODevice::WriteOnly | QIODevice::Append);
}

// A hand-edited value with unquoted commas, such as
// Config=Config(9600,8,N,1), comes back from the settings file as a list:
// it is still the one text the user wrote.
bool VariantText(const QVariant& stored, QString& text)
{
    if (stored.typeId() == QMetaType::QStringList) {
        text = stored.toStringList().join(QLatin1Char(','));
        return true;
    }
    if (!stored.canConvert<QString>())
        return false;
    text = stored.toString();
    return true;
}

bool ParseInt32(const QString& text, std::int32_t& value)
{
    const QByteArray digits = text.toLatin1();
    std::int64_t number = 0;
    const char* end = digits.constData() + digits.size();
    const auto [stop, error] = std::from_chars(digits.constData(), end, number);
    if (error != std::errc() || stop != end || digits.isEmpty())
        return false;
    if (number < std::numeric_limits<std::int32_t>::min() || number > std::numeric_limits<std::uint32_t>::max())
        return false;
    value = static_cast<std::int32_t>(static_cast<std::uint32_t>(number));
    return true;
}

}  // namespace

CRegistry::CRegistry() = default;

CRegistry::~CRegistry() = default;

bool CRegistry::Create(const std::string& path)
{
    return OpenKey(path, true);
}

bool CRegistry::Open(const std::string& path)
{
    return OpenKey(path, false);
}

bool CRegistry::OpenKey(const std::string& path, bool createIfMissing)
{
    key.reset();
    std::string company;
    std::string product;
    if (!SplitKeyPath(path, company, product))
        return false;
    auto settings = MakeSettings(company, product);
    const QString fileName = settings->fileName();
    if (createIfMissing && !QFileInfo(fileName).exists() && !EnsureFileExists(fileName))
        return false;
    if (!QFileInfo(fileName).isFile() || settings->status() != QSettings::NoError || !settings->isWritable())
        return false;
    organization = company;
    application = product;
    key = std::move(settings);
    return true;
}

void CRegistry::Close()
{
    key.reset();
}

bool CRegistry::IsOpen() const
{
    return key != nullptr;
}

bool CRegistry::ReadInt(const std::string& name, std::int32_t& value)
{
    value = 0;
    if (!key || name.empty())
        return false;
    const QVariant stored = key->value(QString::fromStdString(name));
    QString text;
    if (!stored.isValid() || stored.typeId() == QMetaType::QStringList || !VariantText(stored, text))
        return false;
    std::int32_t number = 0;
    if (!ParseInt32(text, number))
        return false;
    value = number;
    return true;
}

bool CRegistry::WriteInt(const std::string& name, std::int32_t value)
{
    if (!key || name.empty())
        return false;
    RecoverFromFailedFlush();
    key->setValue(QString::fromStdString(name), value);
    return Persist();
}

bool CRegistry::ReadString(const std::string& name, std::string& value)
{
    value.clear();
    if (!key || name.empty())
        return false;
    const QVariant stored = key->value(QString::fromStdString(name));
    QString text;
    if (!stored.isValid() || !VariantText(stored, text))
        return false;
    const QByteArray bytes = text.toUtf8();
    if (static_cast<std::size_t>(bytes.size()) > kMaxStringLength)
        return false;
    value.assign(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    return true;
}

bool CRegistry::WriteString(const std::string& name, const std::string& value)
{
    if (!key || name.empty())
        return false;
    RecoverFromFailedFlush();
    key->setValue(QString::fromStdString(name), QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size())));
    return Persist();
}

bool CRegistry::Contains(const std::string& name)
{
    return key && !name.empty() && key->contains(QString::fromStdString(name));
}

// Writes the pending change to disk.
bool CRegistry::Persist()
{
    key->sync();
    return key->status() == QSettings::NoError;
}

// The settings object remembers its first error for ever: after a flush
// failed, a fresh one lets the next write succeed once the file can be
// written again.
void CRegistry::RecoverFromFailedFlush()
{
    if (key->status() == QSettings::NoError)
        return;
    key.reset();
    key = MakeSettings(organization, application);
}
