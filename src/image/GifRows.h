#pragma once

// Row order of GIF image data: top to bottom, or the four interlace passes.
class GifRows {
public:
    GifRows(int height, bool interlaced) : m_height(height), m_interlaced(interlaced) {}

    int current() const { return m_row; }
    bool done() const { return m_row >= m_height; }
    void next()
    {
        if (!m_interlaced) {
            ++m_row;
            return;
        }
        static constexpr int kStart[4] = {0, 4, 2, 1};
        static constexpr int kStep[4] = {8, 8, 4, 2};
        m_row += kStep[m_pass];
        while (m_row >= m_height && m_pass < 3) {
            ++m_pass;
            m_row = kStart[m_pass];
        }
    }

private:
    int m_height;
    bool m_interlaced;
    int m_row = 0;
    int m_pass = 0;
};
