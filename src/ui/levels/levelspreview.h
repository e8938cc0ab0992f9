#pragma once

#include <levelstables.h>
#include <stimage.h>
#include <tonehistogram.h>

// The preview's picture under the user's levels: the prescan as processed (brightness
// included) goes in once, every levels change maps it through freshly built tables and
// recounts the histogram of what is shown. The histogram of the picture before levels
// is kept for Auto. No widgets; the main thread's.
class LevelsPreview
{
public:
    // What the preview shows while a black or white handle is dragged.
    enum Clipping { NoClipping, BlackClipping, WhiteClipping };

    void setSource(const STImage& beforeLevels);
    void setLevels(const LevelsSettings& levels);

    const STImage& source() const { return m_source; }
    const LevelsSettings& levels() const { return m_tables.settings(); }
    // The source under the levels (the source itself while they are neutral).
    const STImage& shown() const { return m_tables.isNeutral() ? m_source : m_shown; }
    const ToneHistogram& histogram() const { return m_histogram; }
    const ToneHistogram& sourceHistogram() const { return m_sourceHistogram; }

    // The pixels that clip, for the preview during a drag: with BlackClipping a white
    // picture in which every channel at 0 is 0 too (black where all three are), with
    // WhiteClipping a black picture in which every channel at full scale is full. An 8-bit image of the shown
    // picture's size; NoClipping gives shown() itself.
    STImage clippingImage(Clipping clipping) const;

private:
    void refresh();

    STImage m_source;
    STImage m_shown;
    LevelsTables m_tables;
    ToneHistogram m_histogram;
    ToneHistogram m_sourceHistogram;
};
