// The composed song as data, before any sound is made: every accent is struck on its own frame,
// and every note fits inside the track.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "content/music/Composer.h"
#include "content/music/Themes.h"

using namespace content::music;

namespace {

const Song& TheSong() {
    static const Song song = ComposeSong();
    return song;
}

std::set<int64_t> StartsOn(Ch ch) {
    std::set<int64_t> s;
    for (const Note& n : TheSong().tracks[ch].notes) s.insert(n.start);
    return s;
}

}  // namespace

TEST(MusicComposition, EveryAccentStrikesATransientOnItsExactFrame) {
    const std::set<int64_t> snaps = StartsOn(kSnap);
    const std::set<int64_t> crashes = StartsOn(kCrash);
    const std::set<int64_t> metal = StartsOn(kMetal);
    for (const Accent& a : Accents()) {
        const int64_t f = FrameOfByte(a.bytePos);
        EXPECT_TRUE(snaps.count(f)) << "no click at byte " << a.bytePos;
        if (a.kind == AccentKind::InsertC) {
            EXPECT_TRUE(metal.count(f)) << "no metal hit at byte " << a.bytePos;
        } else {
            EXPECT_TRUE(crashes.count(f)) << "no cymbal at byte " << a.bytePos;
        }
    }
}

TEST(MusicComposition, GridKicksLandOnThePinnedAccents) {
    const std::set<int64_t> kicks = StartsOn(kKick);
    for (uint32_t p : CutPositions()) EXPECT_TRUE(kicks.count(FrameOfByte(p))) << p;
    for (uint32_t p : LongFlashPositions()) EXPECT_TRUE(kicks.count(FrameOfByte(p))) << p;
    EXPECT_TRUE(kicks.count(FrameOfByte(pos::kWaterStart)));
    EXPECT_TRUE(kicks.count(FrameOfByte(pos::kScreenStart)));
    EXPECT_TRUE(kicks.count(FrameOfByte(pos::kMeshStart)));
    // and the ducking follows the kicks
    const auto& trig = TheSong().duckTriggers;
    for (uint32_t p : CutPositions())
        EXPECT_NE(std::find(trig.begin(), trig.end(), FrameOfByte(p)), trig.end());
}

TEST(MusicComposition, NotesAreWellFormedAndInsideTheTrack) {
    const Song& song = TheSong();
    EXPECT_EQ(song.frames, TrackFrames());
    ASSERT_EQ(song.tracks.size(), static_cast<size_t>(kChannelCount));
    size_t total = 0;
    for (const Track& t : song.tracks) {
        for (const Note& n : t.notes) {
            EXPECT_GE(n.start, 0);
            EXPECT_LT(n.start, song.frames);
            EXPECT_GT(n.length, 0);
            EXPECT_TRUE(std::isfinite(n.pitch));
            EXPECT_GE(n.pitch, 20.0f);
            EXPECT_LE(n.pitch, 100.0f);
            EXPECT_GT(n.velocity, 0.0f);
            EXPECT_LE(n.velocity, 1.2f);
        }
        total += t.notes.size();
    }
    EXPECT_GT(total, 5000u);
    // the last chord sounds before the tail, which leaves at least six seconds to ring out
    int64_t lastStart = 0;
    for (const Track& t : song.tracks)
        for (const Note& n : t.notes) lastStart = std::max(lastStart, n.start);
    EXPECT_EQ(lastStart, SongGrid().FrameAt(step::kFinal));
    EXPECT_GE(song.frames - lastStart, 6 * kSampleRate);
}

TEST(MusicComposition, ComposingTwiceGivesTheSameSong) {
    const Song a = ComposeSong();
    const Song& b = TheSong();
    ASSERT_EQ(a.tracks.size(), b.tracks.size());
    for (size_t t = 0; t < a.tracks.size(); ++t) {
        ASSERT_EQ(a.tracks[t].notes.size(), b.tracks[t].notes.size());
        for (size_t i = 0; i < a.tracks[t].notes.size(); ++i) {
            const Note& x = a.tracks[t].notes[i];
            const Note& y = b.tracks[t].notes[i];
            EXPECT_TRUE(x.start == y.start && x.length == y.length && x.pitch == y.pitch &&
                        x.velocity == y.velocity && x.seed == y.seed);
        }
    }
}

TEST(MusicComposition, ThemeNotesBelongToTheirBarsChords) {
    // the main theme over Am F C G Am F C E: each long note (a quarter or more) is a chord tone
    const std::array<Chord, 8> prog = {chords::Am, chords::F, chords::C, chords::G,
                                       chords::Am, chords::F, chords::C, chords::E};
    for (const MelodyNote& m : Theme()) {
        if (m.len < 4) continue;
        const Chord& ch = prog[static_cast<size_t>(m.step / 16)];
        bool tone = (m.pitch - ch.bass) % 12 == 0;
        for (int p : ch.pad) tone = tone || (m.pitch - p) % 12 == 0;
        EXPECT_TRUE(tone) << "note " << m.pitch << " at step " << m.step;
    }
    EXPECT_EQ(ThemeBarNotes(8), Theme().size());
    EXPECT_EQ(ThemeBarNotes(0), 0u);
}
