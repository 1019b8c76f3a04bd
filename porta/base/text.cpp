#include "porta/base/text.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <iconv.h>

namespace {

struct PinyinRange {
    int start;
    char letter;
};

const PinyinRange pinyin_ranges[] = {
    {1601, 'a'}, {1637, 'b'}, {1833, 'c'}, {2078, 'd'}, {2274, 'e'}, {2302, 'f'}, {2433, 'g'},
    {2594, 'h'}, {2787, 'j'}, {3106, 'k'}, {3212, 'l'}, {3472, 'm'}, {3635, 'n'}, {3722, 'o'},
    {3730, 'p'}, {3858, 'q'}, {4027, 'r'}, {4086, 's'}, {4390, 't'}, {4558, 'w'}, {4684, 'x'},
    {4925, 'y'}, {5249, 'z'},
};
const int pinyin_end = 5600;

char pinyin_letter(int code)
{
    if (code < pinyin_ranges[0].start || code >= pinyin_end)
        return ':';
    char letter = ':';
    for (const PinyinRange &r : pinyin_ranges) {
        if (code < r.start)
            break;
        letter = r.letter;
    }
    return letter;
}

} // namespace

int name_initials(const char *name, char *out, size_t outsz)
{
    // The converter is opened once and kept for the whole run: the search
    // builds keys for every game of both cards.
    static iconv_t cd = reinterpret_cast<iconv_t>(-1);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        cd = iconv_open("GBK", "UTF-8");
        if (cd == reinterpret_cast<iconv_t>(-1)) {
            printf("####### iconv_open failed ########");
            return -1;
        }
    }
    if (!name || !out)
        return -1;
    char gbk[128];
    memset(gbk, 0, sizeof(gbk));
    char *in = const_cast<char *>(name);
    size_t inleft = strlen(name);
    char *op = gbk;
    size_t outleft = sizeof(gbk);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    size_t r = iconv(cd, &in, &inleft, &op, &outleft);
    // A name longer than the buffer keeps what fits: the key is cut anyway.
    if (r == static_cast<size_t>(-1) && errno != E2BIG) {
        printf("####### iconv failed from_charset #######");
        return -1;
    }
    size_t len = sizeof(gbk) - outleft;
    if (len > outsz)
        len = outsz;
    size_t o = 0;
    int pending = 0;
    int first = 0;
    for (size_t i = 0; i < len; i++) {
        unsigned b = static_cast<unsigned char>(gbk[i]);
        if (b & 0x80) {
            int half = static_cast<int>((b + 0x60) & 0xFF);
            if (!pending) {
                first = half;
                pending = 1;
            } else {
                if (o < outsz)
                    out[o++] = pinyin_letter(first * 100 + half);
                pending = 0;
            }
        } else {
            if (b <= 0x40 && o < outsz)
                out[o++] = static_cast<char>(b);
            pending = 0;
        }
    }
    return static_cast<int>(len);
}

size_t utf8_cut(const char *text, size_t len, size_t max)
{
    if (len <= max)
        return len;
    size_t n = max;
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
        n--;
    return n;
}

size_t utf8_copy(char *out, size_t outsz, const char *text)
{
    if (outsz == 0)
        return 0;
    size_t n = text ? utf8_cut(text, strlen(text), outsz - 1) : 0;
    if (n)
        memcpy(out, text, n);
    out[n] = '\0';
    return n;
}
