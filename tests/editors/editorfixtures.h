#pragma once

#include "scanprofile.h"

// Settings that the editors' controls can hold exactly (sliders within -100..100,
// the switch values the editors write, descriptions within 22 characters), and levels,
// which no editor shows but every one must carry through.
inline SlideSettings sampleSlides()
{
    SlideSettings slide;
    slide.description = QStringLiteral("My tissue");
    slide.scanningTarget = 2;
    slide.resolution = 1;
    slide.colourDepth = 1;
    slide.directory = QStringLiteral("/data/slides");
    slide.prefix = QStringLiteral("Tissue");
    slide.fileFormat = 1;
    slide.multipass = { true, 0 };
    slide.autoContrast = { false, 0 };
    slide.saturation = { true, -12 };
    slide.brightness = { true, 33 };
    slide.suggestedText = QStringLiteral("Stained\nsections");
    slide.levels[LevelsSettings::All] = { 4, 250, 1.2 };
    slide.levels[LevelsSettings::Blue] = { 0, 230, 0.85 };
    return slide;
}

inline FilmSettings sampleFilm()
{
    FilmSettings film;
    film.description = QStringLiteral("Holiday 1998");
    film.scanningTarget = 1;
    film.resolution = 0;
    film.colourDepth = 0;
    film.directory = QStringLiteral("/data/film");
    film.prefix = QStringLiteral("Holiday");
    film.fileFormat = 0;
    film.multipass = { false, 0 };
    film.noiseReduction = { true, 0 };
    film.scratchRemoval = { true, 0 };
    film.autoContrast = { true, 0 };
    film.autoColour = { false, 0 };
    film.autoBalance = { true, 0 };
    film.brightness = { true, -40 };
    film.suggestedText = QStringLiteral("Negatives");
    film.levels[LevelsSettings::Red] = { 10, 255, 1.0 };
    film.levels[LevelsSettings::Green] = { 0, 241, 1.5 };
    return film;
}

inline ScanProfile sampleProfile(int mode)
{
    ScanProfile profile;
    profile.setMode(mode);
    profile.setSlideSettings(sampleSlides());
    profile.setFilmSettings(sampleFilm());
    return profile;
}
