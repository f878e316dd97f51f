// FileVersionText for ELF program files: the stamp lives in the section ".corvela_version".

#include "file_version.h"

#include <QFile>

#include <elf.h>

#include <cstring>

namespace corvela {

namespace {

constexpr char kSectionName[] = ".corvela_version";
constexpr char kMagic[8] = {'C', 'R', 'V', 'L', 'V', 'E', 'R', '1'};
constexpr qint64 kStampSize = 16;

template<typename T>
bool readAt(QFile &file, qint64 offset, T &out)
{
    return file.seek(offset) && file.read(reinterpret_cast<char *>(&out), sizeof out) == sizeof out;
}

// Finds the stamp section in an ELF file of one class (Ehdr/Shdr of 32 or 64 bits).
template<typename Ehdr, typename Shdr>
QByteArray findStamp(QFile &file)
{
    Ehdr header;
    if (!readAt(file, 0, header) || header.e_shentsize != sizeof(Shdr) ||
        header.e_shstrndx >= header.e_shnum)
        return {};
    Shdr names;
    if (!readAt(file, qint64(header.e_shoff) + qint64(header.e_shstrndx) * qint64(sizeof(Shdr)),
                names))
        return {};
    for (qint64 i = 0; i < header.e_shnum; ++i) {
        Shdr section;
        if (!readAt(file, qint64(header.e_shoff) + i * qint64(sizeof(Shdr)), section))
            return {};
        if (section.sh_size != kStampSize || section.sh_name >= names.sh_size)
            continue;
        char name[sizeof kSectionName] = {};
        if (!file.seek(qint64(names.sh_offset) + qint64(section.sh_name)) ||
            file.read(name, sizeof name) != sizeof name ||
            std::memcmp(name, kSectionName, sizeof name) != 0)
            continue;
        if (!file.seek(qint64(section.sh_offset)))
            return {};
        return file.read(kStampSize);
    }
    return {};
}

} // namespace

QString FileVersionText(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    unsigned char ident[EI_NIDENT];
    if (file.read(reinterpret_cast<char *>(ident), EI_NIDENT) != EI_NIDENT ||
        std::memcmp(ident, ELFMAG, SELFMAG) != 0 || ident[EI_DATA] != ELFDATA2LSB)
        return {};
    const QByteArray stamp = ident[EI_CLASS] == ELFCLASS64 ? findStamp<Elf64_Ehdr, Elf64_Shdr>(file)
                             : ident[EI_CLASS] == ELFCLASS32 ? findStamp<Elf32_Ehdr, Elf32_Shdr>(file)
                                                             : QByteArray();
    if (stamp.size() != kStampSize || std::memcmp(stamp.constData(), kMagic, sizeof kMagic) != 0)
        return {};
    QStringList parts;
    for (int i = 0; i < 4; ++i) {
        const auto *p = reinterpret_cast<const unsigned char *>(stamp.constData()) + 8 + 2 * i;
        parts << QString::number(unsigned(p[0]) | (unsigned(p[1]) << 8));
    }
    return parts.join(u'.');
}

} // namespace corvela
