// Writes the shipped film-term files (".ft") from the short film descriptions in
// films.txt: korvane_filmtermgen <films.txt> <output folder>.
// Each file is written beside its target and renamed over it only when complete.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace
{

struct Film {
    std::string file; // e.g. "TQ3300/Default Negative"
    std::map<std::string, std::string> keys;

    std::string text(const std::string& key) const
    {
        auto it = keys.find(key);
        if (it == keys.end()) {
            std::cerr << file << ": missing key " << key << "\n";
            std::exit(1);
        }
        return it->second;
    }
    double number(const std::string& key) const { return std::atof(text(key).c_str()); }
    std::vector<double> triple(const std::string& key) const
    {
        std::istringstream in(text(key));
        std::vector<double> v(3, 0.0);
        if (!(in >> v[0] >> v[1] >> v[2])) {
            std::cerr << file << ": " << key << " needs three numbers\n";
            std::exit(1);
        }
        return v;
    }
};

std::string trim(const std::string& s)
{
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    const auto last = s.find_last_not_of(" \t\r");
    return s.substr(first, last - first + 1);
}

std::vector<Film> readFilms(const char* path)
{
    std::ifstream in(path);
    if (!in) {
        std::cerr << "cannot read " << path << "\n";
        std::exit(1);
    }
    std::vector<Film> films;
    std::string line;
    while (std::getline(in, line)) {
        line = trim(line);
        if (line.empty() || line[0] == '#')
            continue;
        if (line.front() == '[' && line.back() == ']') {
            films.push_back({ line.substr(1, line.size() - 2), {} });
            continue;
        }
        const auto eq = line.find('=');
        if (eq == std::string::npos || films.empty()) {
            std::cerr << path << ": cannot read line: " << line << "\n";
            std::exit(1);
        }
        films.back().keys[trim(line.substr(0, eq))] = trim(line.substr(eq + 1));
    }
    return films;
}

double clamp01(double v)
{
    return v < 0.0 ? 0.0 : (v > 1.0 ? 1.0 : v);
}

// A gentle S-curve: a blend of the identity with smoothstep, monotone for k in 0-1.
double contrastCurve(double y, double k)
{
    return (1.0 - k) * y + k * y * y * (3.0 - 2.0 * y);
}

// The numbers of one description, read once.
struct Params {
    bool positive = true;
    double gamma = 1.0, contrast = 0.0, toe = 1.0;
    bool stretched = false;
    std::vector<double> black, white, base, slope;

    explicit Params(const Film& film)
        : positive(film.text("kind") == "positive")
        , gamma(film.number("gamma"))
        , contrast(film.number("contrast"))
    {
        if (positive) {
            black = film.triple("black");
            white = film.triple("white");
        } else {
            base = film.triple("base");
            slope = film.triple("slope");
            toe = film.number("toe");
            stretched = film.number("stretched") != 0.0;
        }
    }
};

// Output (0-1) of channel c for raw input x (0-1).
double outputOf(const Params& p, int c, double x)
{
    const std::size_t i = std::size_t(c);
    double y;
    if (p.positive) {
        y = clamp01((x - p.black[i]) / (p.white[i] - p.black[i]));
    } else {
        // Transmittance relative to the film base, then back through the film's density
        // slope and the toe of its exposure curve to scene light.
        const double densest = std::pow(10.0, -p.slope[i]);
        double t;
        if (p.stretched)
            t = densest + (1.0 - densest) * clamp01(x / p.base[i]);
        else
            t = std::max(densest, std::min(1.0, x / p.base[i]));
        const double exposure = clamp01(-std::log10(t) / p.slope[i]);
        y = (std::pow(p.toe + 1.0, exposure) - 1.0) / p.toe;
    }
    y = std::pow(clamp01(y), 1.0 / p.gamma);
    return clamp01(contrastCurve(y, p.contrast));
}

bool writeFilm(const Film& film, const std::string& folder)
{
    const std::string target = folder + "/" + film.file + ".ft";
    const std::string temporary = target + ".part";
    std::FILE* out = std::fopen(temporary.c_str(), "wb");
    if (out == nullptr) {
        std::cerr << "cannot write " << temporary << "\n";
        return false;
    }
    const auto slash = film.file.find('/');
    const std::string model = film.file.substr(0, slash);
    const bool negative = film.text("kind") == "negative";
    std::fprintf(
        out, "# Korvane film term %s, generated from tools/filmterms/films.txt by\n", film.file.c_str());
    std::fprintf(out, "korvane_filmtermgen: change the description there, not this file;\n");
    std::fprintf(out, "ModelName %s;\n", model.c_str());
    std::fprintf(out, "FilmDefalut 250;\n");
    // D-min: the clearest the film gets, in 8-bit units of the raw signal.
    const std::vector<double> dmin = negative ? film.triple("base") : film.triple("white");
    std::fprintf(out, "DMinValue: %.1f %.1f %.1f;\n", dmin[0] * 255.0, dmin[1] * 255.0, dmin[2] * 255.0);
    std::fprintf(out, "FilmClass %s;\n", film.text("class").c_str());
    std::fprintf(out, "FilmMfgr Korvane;\n");
    std::fprintf(out, "FilmName %s;\n", film.text("name").c_str());
    std::fprintf(out, "CreationDate 06012024;\n");
    std::fprintf(out, "FilmBalance 100 100 100;\n");
    std::fprintf(out, "FilmExposure 0;\n");
    std::fprintf(out, "FilmGain 0;\n");
    std::fprintf(out, "FilmLevel 0 128 255;\n");
    const Params params(film);
    for (int i = 0; i < 65536; ++i) {
        const double x = i / 65535.0;
        long v[3];
        for (int c = 0; c < 3; ++c)
            v[c] = std::lround(outputOf(params, c, x) * 65535.0);
        std::fprintf(
            out, "%s%ld %ld %ld%s\n", i == 0 ? "FilmLut " : "", v[0], v[1], v[2], i == 65535 ? ";" : "");
    }
    std::fprintf(out, "FilmMatR 1 0 0 0;\nFilmMatG 0 1 0 0;\nFilmMatB 0 0 1 0;\n");
    const bool ok = std::ferror(out) == 0;
    if (std::fclose(out) != 0 || !ok || std::rename(temporary.c_str(), target.c_str()) != 0) {
        std::remove(temporary.c_str());
        std::cerr << "cannot write " << target << "\n";
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: korvane_filmtermgen <films.txt> <output folder>\n";
        return 2;
    }
    const std::vector<Film> films = readFilms(argv[1]);
    for (const Film& film : films) {
        if (!writeFilm(film, argv[2]))
            return 1;
    }
    return 0;
}
