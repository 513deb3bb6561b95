// Writes the seed corpus of overview_fuzz: overview listings, path lines and GROUP replies of
// the shapes servers send, one file each, into the folder named by the argument.
#include <fstream>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const std::string folder = argv[1];
    const char* const seeds[] = {
        "1234\tholiday.jpg (1/3)\tPoster <p@example.com>\tMon, 23 Mar 1998 12:34:56 -0500\t"
        "<1@example.com>\t\t4215\t64\tXref: news.example alt.test:1234 alt.other:77\n"
        "1235\tholiday.jpg (2/3)\tPoster <p@example.com>\t23 Mar 98 12:34:56 GMT\t"
        "<2@example.com>\t<1@example.com>\t4215\t64\tXref: news.example alt.test:1235\n"
        "1236\tholiday.jpg (3/3)\tPoster <p@example.com>\t1998-03-23T12:34:56\t<3@example.com>\n",
        "7\t\"file.rar\" yEnc (01/45)\tx\t\tnot-bracketed\t\tabc\txyz\n",
        "1234 news.example!a!b!c!not-for-mail\n12345 host!user\n7 nohost\n",
        "211 20 1 20 alt.test\n211 0 0 0 alt.empty\n211 99999999999 1 2 alt.big\n",
        "\t\t\t\t\t\t\t\t\n-5\tneg\n2147483648\ttoo big\n",
    };
    int n = 0;
    for (const char* seed : seeds) std::ofstream(folder + "/seed" + std::to_string(n++)) << seed;
    return 0;
}
