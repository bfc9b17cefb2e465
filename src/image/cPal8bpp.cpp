#include "image/cPal8bpp.h"

#include "image/cDib.h"

#include <cmath>
#include <cstring>

namespace {

const int kDark[8][3] = {{0, 0, 0},     {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                         {0, 0, 128},   {128, 0, 128}, {0, 128, 128}, {192, 192, 192}};
const int kBright[8][3] = {{128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
                           {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};

} // namespace

void cPal8bpp::Initialize(int entries)
{
    m_slots.fill(0);
    m_entries = qBound(0, entries, 256);
    m_logical.clear();
}

void cPal8bpp::BuildLogicalPalette()
{
    m_logical.clear();
    for (int i = 0; i < m_entries; ++i)
        m_logical.append(Color(i));
}

void cPal8bpp::Destroy()
{
    m_logical.clear();
}

void cPal8bpp::SetPalette(const QByteArray& rgbQuads)
{
    const int n = qBound(0, int(rgbQuads.size() / 4), 256);
    std::memcpy(m_slots.data(), rgbQuads.constData(), size_t(n) * 4);
}

QByteArray cPal8bpp::GetPalette() const
{
    return QByteArray(reinterpret_cast<const char*>(m_slots.data()), 1024);
}

void cPal8bpp::SetColor(int i, int r, int g, int b)
{
    if (i < 0 || i > 255)
        return;
    m_slots[i * 4] = uchar(b);
    m_slots[i * 4 + 1] = uchar(g);
    m_slots[i * 4 + 2] = uchar(r);
    m_slots[i * 4 + 3] = 0;
}

int cPal8bpp::ClosestIndex(int r, int g, int b) const
{
    int best = 0;
    int bestDistance = INT32_MAX;
    for (int i = 0; i < m_entries; ++i) {
        const int dr = rgbR(i) - r;
        const int dg = rgbG(i) - g;
        const int db = rgbB(i) - b;
        const int d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

bool cPal8bpp::IsGreyScale() const
{
    for (int i = 0; i < m_entries; ++i) {
        if (rgbR(i) != rgbG(i) || rgbG(i) != rgbB(i))
            return false;
    }
    return true;
}

void cPal8bpp::CreateGreyScale(int type)
{
    const int entries = type == 0 ? 2 : type == 1 ? 16 : 256;
    const int step = 255 / (entries - 1);
    Initialize(entries);
    for (int i = 0; i < entries; ++i)
        SetColor(i, i * step, i * step, i * step);
    BuildLogicalPalette();
}

void cPal8bpp::CreateEGA()
{
    Initialize(16);
    for (int i = 0; i < 8; ++i) {
        SetColor(i, kDark[i][0], kDark[i][1], kDark[i][2]);
        SetColor(i + 8, kBright[i][0], kBright[i][1], kBright[i][2]);
    }
    BuildLogicalPalette();
}

void cPal8bpp::CreateHalftone(int type)
{
    const int n = qBound(0, type, 4) + 2;
    int levels[6];
    for (int i = 0; i < n; ++i)
        levels[i] = qMin(255, i * 256 / (n - 1));
    Initialize(n * n * n);
    int index = 0;
    for (int b = 0; b < n; ++b)
        for (int g = 0; g < n; ++g)
            for (int r = 0; r < n; ++r)
                SetColor(index++, levels[r], levels[g], levels[b]);
    BuildLogicalPalette();
}

void cPal8bpp::CreateWebsafe()
{
    Initialize(256);
    for (int i = 0; i < 8; ++i) {
        SetColor(i, kDark[i][0], kDark[i][1], kDark[i][2]);
        SetColor(248 + i, kBright[i][0], kBright[i][1], kBright[i][2]);
    }
    const auto isStandard = [](int r, int g, int b) {
        for (int i = 0; i < 8; ++i) {
            if ((kDark[i][0] == r && kDark[i][1] == g && kDark[i][2] == b)
                || (kBright[i][0] == r && kBright[i][1] == g && kBright[i][2] == b))
                return true;
        }
        return false;
    };
    int index = 8;
    for (int b = 0; b < 6; ++b)
        for (int g = 0; g < 6; ++g)
            for (int r = 0; r < 6; ++r) {
                if (!isStandard(r * 51, g * 51, b * 51))
                    SetColor(index++, r * 51, g * 51, b * 51);
            }
    for (int i = 0; i < 31; ++i)
        SetColor(217 + i, (i + 1) * 8, (i + 1) * 8, (i + 1) * 8);
    BuildLogicalPalette();
}

int cPal8bpp::newNode(int level, const std::array<int, 3>& low, const std::array<int, 3>& high)
{
    Node node;
    node.low = low;
    node.high = high;
    node.children.fill(-1);
    if (level == m_depth) {
        node.leaf = true;
        ++m_leaves;
    } else {
        node.next = m_reducible[level];
    }
    m_nodes.push_back(node);
    const int id = int(m_nodes.size()) - 1;
    if (level < m_depth)
        m_reducible[level] = id;
    return id;
}

void cPal8bpp::reduce()
{
    int level = m_depth - 1;
    while (level >= 0 && m_reducible[level] < 0)
        --level;
    if (level < 0)
        return;
    const int id = m_reducible[level];
    m_reducible[level] = m_nodes[id].next;
    Node& node = m_nodes[id];
    int children = 0;
    for (int& child : node.children) {
        if (child < 0)
            continue;
        node.count += m_nodes[child].count;
        node.red += m_nodes[child].red;
        node.green += m_nodes[child].green;
        node.blue += m_nodes[child].blue;
        child = -1; // freed: no longer reachable
        ++children;
    }
    node.leaf = true;
    m_leaves -= children - 1;
}

bool cPal8bpp::CreateOptimal(const cDib& image, int colorCount, int depth, double redWeight,
                             double greenWeight, double blueWeight)
{
    if (image.BPP() != 32 || !image.IsValid() || colorCount < 1)
        return false;
    m_depth = qBound(1, depth, 8);
    colorCount = qMin(colorCount, 256);
    m_nodes.clear();
    m_reducible.fill(-1);
    m_leaves = 0;
    const double weights[3] = {redWeight, greenWeight, blueWeight};
    const int root = newNode(0, {0, 0, 0}, {255, 255, 255});

    for (int y = 0; y < image.Height(); ++y) {
        const uchar* p = image.ScanLine(y);
        for (int x = 0; x < image.Width(); ++x, p += 4) {
            const int rgb[3] = {p[2], p[1], p[0]};
            int id = root;
            int level = 0;
            while (!m_nodes[id].leaf) {
                std::array<int, 3> low = m_nodes[id].low;
                std::array<int, 3> high = m_nodes[id].high;
                int child = 0;
                for (int c = 0; c < 3; ++c) {
                    // Halves are rounded up so that boxes of a power-of-two size split evenly
                    // and depth 8 separates every value.
                    const int mid = int(std::floor(low[c] / 2.0 + high[c] / 2.0 + 0.5));
                    if (rgb[c] * weights[c] < mid) {
                        high[c] = mid - 1;
                    } else {
                        low[c] = mid;
                        child |= 4 >> c;
                    }
                }
                int next = m_nodes[id].children[child];
                if (next < 0) {
                    next = newNode(level + 1, low, high);
                    m_nodes[id].children[child] = next;
                }
                id = next;
                ++level;
            }
            Node& leaf = m_nodes[id];
            ++leaf.count;
            leaf.red += rgb[0];
            leaf.green += rgb[1];
            leaf.blue += rgb[2];
            while (m_leaves > colorCount)
                reduce();
        }
    }

    Initialize(0);
    int index = 0;
    std::vector<int> pending{root};
    while (!pending.empty() && index < 256) {
        const int id = pending.back();
        pending.pop_back();
        const Node& node = m_nodes[id];
        if (node.leaf) {
            if (node.count > 0) {
                SetColor(index++, int(node.red / node.count), int(node.green / node.count),
                         int(node.blue / node.count));
            }
            continue;
        }
        for (int c = 7; c >= 0; --c) {
            if (node.children[c] >= 0)
                pending.push_back(node.children[c]);
        }
    }
    m_entries = index;
    m_nodes.clear();
    m_nodes.shrink_to_fit();
    BuildLogicalPalette();
    return true;
}
