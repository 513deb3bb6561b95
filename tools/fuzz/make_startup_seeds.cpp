// make_startup_seeds DIR: writes the seed corpus of the start-up input fuzz target: settings
// files as the program writes them (placements, column widths, the last file) followed by a
// NUL and the usual command lines.
#include <cstdio>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_startup_seeds DIR\n");
        return 2;
    }
    const std::string settings =
        "[Data]\nLastFile=/home/user/pictures.cvn\nWizard=0\nwpLength=44\nwpleft=10\n"
        "wpright=800\n[Columns]\ncwSubject=300\ncwFrom=120\n";
    const std::string seeds[] = {
        settings,
        settings + std::string(1, '\0') + "-auto",
        settings + std::string(1, '\0') + "-nogui" + std::string(1, '\0') + "/S:3600" +
            std::string(1, '\0') + "-F:0" + std::string(1, '\0') + "setup.cvn",
        std::string(1, '\0') + "-S:4294967295" + std::string(1, '\0') + "-F:12x",
        "[Data]\nLastFile=\"quoted, with comma\"\n" + std::string(1, '\0') + "/AUTO",
    };
    int n = 0;
    for (const std::string& seed : seeds) {
        const std::string path = std::string(argv[1]) + "/seed_" + std::to_string(n++);
        std::ofstream out(path, std::ios::binary);
        out << seed;
        if (!out) {
            std::fprintf(stderr, "make_startup_seeds: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
