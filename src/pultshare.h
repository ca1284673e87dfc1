#pragma once

#include "sharedsegment.h"

#include <QtGlobal>

// The block the console publishes for the pendant and beam-unit programs (segment
// "PULT_SHARE_KEY", 16 bytes): which handwheels are handed to the beam-unit program and whether
// the console's main window is blocked.
//
// | offset | size | field            |
// |      0 |    4 | funcLeftEncoder  |
// |      4 |    4 | funcRightEncoder |
// |      8 |    4 | funcDistEncoder  |
// |     12 |    1 | blockGui         |  (bytes 13-15 are never written)
class PultShare
{
public:
    static constexpr int kSize = 16;
    static constexpr int kFuncLeftOffset = 0;
    static constexpr int kFuncRightOffset = 4;
    static constexpr int kFuncDistOffset = 8;
    static constexpr int kBlockGuiOffset = 12;

    // Attaches to or creates the segment and zeroes it.
    PultShare();

    void setFuncLeftEncoder(unsigned int value);
    void setFuncRightEncoder(unsigned int value);
    void setFuncDistEncoder(unsigned int value);
    void setBlockGui(bool blocked);

    // 0 / false when there is no segment.
    unsigned int getFuncLeftEncoder() const;
    unsigned int getFuncRightEncoder() const;
    unsigned int getFuncDistEncoder() const;
    bool getBlockGui() const;

    bool isAttached() const { return m_segment.isAttached(); }

private:
    void setWord(int offset, quint32 value);
    quint32 word(int offset) const;

    SharedSegment m_segment;
};
