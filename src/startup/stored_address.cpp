#include "startup/stored_address.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>

#include "core/codepage.h"

namespace ds::startup {

StoredAddressRecord ParseStoredRecord(const QByteArray& fileBytes, const QString& codePage) {
    StoredAddressRecord record;
    if (fileBytes.isEmpty()) return record;
    // A file shorter than the record is fine as long as its fields all lie inside it: the record is
    // padded only by the writer, and a file written by other means may stop after its last field.
    const qsizetype end = std::min<qsizetype>(fileBytes.size(), kRecordBytes);
    const auto* bytes = reinterpret_cast<const unsigned char*>(fileBytes.constData());
    qsizetype pos = 0;
    for (int i = 0; i < kRecordFields; ++i) {
        if (pos + 2 > end)
            throw StartupError(QStringLiteral("设置文件 set.dat 已损坏（第 %1 项越界）").arg(i + 1));
        const int count = bytes[pos] | (bytes[pos + 1] << 8);
        pos += 2;
        if (pos + count > end)
            throw StartupError(QStringLiteral("设置文件 set.dat 已损坏（第 %1 项越界）").arg(i + 1));
        record.fields[static_cast<size_t>(i)] = DecodeBytes(fileBytes.mid(pos, count), codePage);
        pos += count;
    }
    return record;
}

QByteArray EncodeStoredRecord(const StoredAddressRecord& record, const QString& codePage) {
    QByteArray out;
    out.reserve(kRecordBytes);
    for (int i = 0; i < kRecordFields; ++i) {
        QByteArray bytes;
        try {
            bytes = EncodeText(record.fields[static_cast<size_t>(i)], codePage);
        } catch (const EncodingError& e) {
            throw StartupError(QStringLiteral("设置第 %1 项无法按本地代码页保存：%2")
                                   .arg(i + 1)
                                   .arg(QString::fromLocal8Bit(e.what())));
        }
        if (bytes.size() > 0xFFFF) throw StartupError(QStringLiteral("设置第 %1 项过长").arg(i + 1));
        out.append(static_cast<char>(bytes.size() & 0xFF));
        out.append(static_cast<char>((bytes.size() >> 8) & 0xFF));
        out.append(bytes);
        if (out.size() > kRecordBytes)
            throw StartupError(QStringLiteral("设置记录超过 %1 字节，无法保存").arg(kRecordBytes));
    }
    out.append(QByteArray(kRecordBytes - out.size(), '\0'));
    return out;
}

StoredAddressRecord ReadStoredRecord(const QString& path, const QString& codePage) {
    QFile file(path);
    if (!file.exists()) return {};
    if (!file.open(QIODevice::ReadOnly))
        throw StartupError(QStringLiteral("无法读取 %1：%2").arg(path, file.errorString()));
    const QByteArray bytes = file.read(kRecordBytes);
    return ParseStoredRecord(bytes, codePage);
}

void WriteStoredRecord(const QString& path, const StoredAddressRecord& record, const QString& codePage) {
    QByteArray content = EncodeStoredRecord(record, codePage);
    QFile old(path);
    if (old.exists() && old.size() > kRecordBytes) {
        // Later records are not ours to drop.
        if (!old.open(QIODevice::ReadOnly))
            throw StartupError(QStringLiteral("无法读取 %1：%2").arg(path, old.errorString()));
        old.seek(kRecordBytes);
        content.append(old.readAll());
        old.close();
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit())
        throw StartupError(QStringLiteral("无法写入 %1：%2").arg(path, file.errorString()));
}

void EnsureFileExists(const QString& path) {
    if (QFileInfo::exists(path)) return;
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))  // creates, never truncates
        throw StartupError(QStringLiteral("无法创建 %1：%2").arg(path, file.errorString()));
}

}  // namespace ds::startup
