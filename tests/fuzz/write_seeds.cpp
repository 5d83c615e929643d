// Writes the binary seeds of the fuzz corpora (ZIP archives and version blocks) with the
// builders of the ordinary tests: fuzz_write_seeds <tests/fuzz/corpus>.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/version_block_builder.h"
#include "install/zip_builder.h"

namespace {

bool Write(const std::filesystem::path& path, const std::string& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return file.good();
}

std::string Bytes(const std::vector<uint8_t>& block) {
    return std::string(block.begin(), block.end());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus directory>\n", argv[0]);
        return 2;
    }
    const std::filesystem::path corpus = argv[1];
    bool ok = true;

    // Archives: stored and deflated files, directories, hostile names, time blocks, a
    // link, DOS attributes, a data descriptor and damaged data.
    TestZipEntry dosFile = FileEntry("bin\\App.exe.config", "<configuration/>", true);
    dosFile.madeBy = 20;
    dosFile.externalAttributes = 0x21;
    TestZipEntry timed = FileEntry("timed.txt", "time", false);
    timed.localExtra = ExtendedTimestampBlock(1700000000, 1700000100, 1700000200);
    TestZipEntry described = FileEntry("described.txt", std::string(300, 'd'), true);
    described.dataDescriptor = true;
    TestZipEntry badCrc = FileEntry("bad.txt", "crc", false);
    badCrc.wrongCrc = true;
    const std::vector<std::pair<std::string, std::vector<TestZipEntry>>> plain = {
        {"plain.zip",
         {DirectoryEntry("docs/"), FileEntry("docs/readme.txt", "hello", false),
          FileEntry("lib/data.bin", std::string(2000, 'x'), true)}},
        {"names.zip",
         {FileEntry("C:\\Windows\\x.dll", "x"), FileEntry("/etc/y", "y"),
          FileEntry("a/../../z", "z"), FileEntry("..\\up.txt", "u")}},
        {"attributes.zip", {dosFile, timed, described, badCrc}},
        {"link.zip", {SymlinkEntry("link", "/etc"), FileEntry("link/passwd", "p")}},
    };
    for (const auto& [name, entries] : plain) {
        ok &= Write(corpus / "zip_reader" / name, BuildZip(entries));
        ok &= Write(corpus / "zip_reader_password" / name, BuildZip(entries));
    }

    // Encrypted archives with the password of the password target.
    TestZipEntry secret = FileEntry("secret.txt", "classified", true);
    secret.password = "fuzz-secret";
    TestZipEntry storedSecret = FileEntry("stored.txt", "stored and encrypted", false);
    storedSecret.password = "fuzz-secret";
    storedSecret.dataDescriptor = true;
    TestZipEntry wrong = FileEntry("wrong.txt", "other password", false);
    wrong.password = "another";
    ok &= Write(corpus / "zip_reader_password" / "encrypted.zip",
                BuildZip({secret, storedSecret, wrong}));
    ok &= Write(corpus / "zip_reader" / "encrypted.zip", BuildZip({secret}));

    // Version blocks: the installer's own description, several tables, an odd child.
    using Table = VersionBlockBuilder::Table;
    const Table chinese{u"080404b0",
                        {{u"CompanyName", u"Vornel"},
                         {u"FileDescription", u"comname=Vornel;appid=qz"},
                         {u"ProductVersion", u"1.0.0.0"}}};
    const Table english{u"040904b0", {{u"FileDescription", u"appid=other"}, {u"Comments", u""}}};
    ok &=
        Write(corpus / "version_block" / "one-table", Bytes(VersionBlockBuilder::Build({chinese})));
    ok &= Write(corpus / "version_block" / "two-tables",
                Bytes(VersionBlockBuilder::Build({chinese, english})));
    ok &= Write(corpus / "version_block" / "var-file-info",
                Bytes(VersionBlockBuilder::Build({english}, u"VarFileInfo")));
    return ok ? 0 : 1;
}
