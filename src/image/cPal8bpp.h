#pragma once

#include <QByteArray>
#include <QList>
#include <QRgb>

#include <array>
#include <vector>

class cDib;

// An 8-bit palette of up to 256 (blue, green, red, reserved) entries with its logical palette,
// the fixed palettes and an optimal palette built from an image by octree quantisation.
class cPal8bpp {
public:
    void Initialize(int entries);
    // The logical palette is the colour table of the used entries.
    void BuildLogicalPalette();
    void Destroy();
    const QList<QRgb>& hPal() const { return m_logical; }

    void SetPalette(const QByteArray& rgbQuads);
    QByteArray GetPalette() const; // all 256 slots
    const uchar* lpPalette() const { return m_slots.data(); }
    int Entries() const { return m_entries; }
    int rgbR(int i) const { return slot(i)[2]; }
    int rgbG(int i) const { return slot(i)[1]; }
    int rgbB(int i) const { return slot(i)[0]; }
    QRgb Color(int i) const { return qRgb(rgbR(i), rgbG(i), rgbB(i)); }
    void SetColor(int i, int r, int g, int b);

    // Nearest used entry by squared distance, the lowest index on ties.
    int ClosestIndex(int r, int g, int b) const;
    QRgb ClosestColor(int r, int g, int b) const { return Color(ClosestIndex(r, g, b)); }
    bool IsGreyScale() const;

    void CreateGreyScale(int type);
    void CreateEGA();
    void CreateHalftone(int type);
    void CreateWebsafe();
    // Octree palette of at most colorCount entries from a 32-bit image.
    bool CreateOptimal(const cDib& image, int colorCount, int depth, double redWeight,
                       double greenWeight, double blueWeight);

private:
    struct Node {
        bool leaf = false;
        qint64 count = 0;
        qint64 red = 0, green = 0, blue = 0;
        std::array<int, 3> low{};
        std::array<int, 3> high{};
        std::array<int, 8> children{};
        int next = -1; // next node of the same level's reducible list
    };

    const uchar* slot(int i) const { return m_slots.data() + (qBound(0, i, 255) * 4); }
    int newNode(int level, const std::array<int, 3>& low, const std::array<int, 3>& high);
    void reduce();

    std::array<uchar, 1024> m_slots{};
    int m_entries = 0;
    QList<QRgb> m_logical;

    std::vector<Node> m_nodes;
    std::array<int, 9> m_reducible{};
    int m_leaves = 0;
    int m_depth = 0;
};
