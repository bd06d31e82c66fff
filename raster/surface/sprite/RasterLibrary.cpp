#include "raster/surface/sprite/RasterLibrary.h"

#include <new>


int32_t RasterPixelMode = 0;

uint16_t AlphaUnionTable[256 * 256];

// ceil(2^23 / n), n = 0..256 (entry 0 repeats entry 1).
const uint32_t ReciprocalTable[257] = {
    8388608u, 8388608u, 4194304u, 2796203u, 2097152u, 1677722u, 1398102u, 1198373u,
    1048576u, 932068u, 838861u, 762601u, 699051u, 645278u, 599187u, 559241u,
    524288u, 493448u, 466034u, 441506u, 419431u, 399458u, 381301u, 364723u,
    349526u, 335545u, 322639u, 310690u, 299594u, 289263u, 279621u, 270601u,
    262144u, 254201u, 246724u, 239675u, 233017u, 226720u, 220753u, 215093u,
    209716u, 204601u, 199729u, 195084u, 190651u, 186414u, 182362u, 178482u,
    174763u, 171197u, 167773u, 164483u, 161320u, 158276u, 155345u, 152521u,
    149797u, 147169u, 144632u, 142180u, 139811u, 137519u, 135301u, 133153u,
    131072u, 129056u, 127101u, 125204u, 123362u, 121575u, 119838u, 118150u,
    116509u, 114913u, 113360u, 111849u, 110377u, 108943u, 107547u, 106185u,
    104858u, 103564u, 102301u, 101068u, 99865u, 98690u, 97542u, 96421u,
    95326u, 94255u, 93207u, 92183u, 91181u, 90201u, 89241u, 88302u,
    87382u, 86481u, 85599u, 84734u, 83887u, 83056u, 82242u, 81443u,
    80660u, 79892u, 79138u, 78399u, 77673u, 76960u, 76261u, 75574u,
    74899u, 74236u, 73585u, 72945u, 72316u, 71698u, 71090u, 70493u,
    69906u, 69328u, 68760u, 68201u, 67651u, 67109u, 66577u, 66053u,
    65536u, 65028u, 64528u, 64036u, 63551u, 63073u, 62602u, 62138u,
    61681u, 61231u, 60788u, 60350u, 59919u, 59494u, 59075u, 58662u,
    58255u, 57853u, 57457u, 57066u, 56680u, 56300u, 55925u, 55554u,
    55189u, 54828u, 54472u, 54121u, 53774u, 53431u, 53093u, 52759u,
    52429u, 52104u, 51782u, 51464u, 51151u, 50841u, 50534u, 50232u,
    49933u, 49637u, 49345u, 49057u, 48771u, 48490u, 48211u, 47935u,
    47663u, 47394u, 47128u, 46864u, 46604u, 46346u, 46092u, 45840u,
    45591u, 45344u, 45101u, 44859u, 44621u, 44385u, 44151u, 43920u,
    43691u, 43465u, 43241u, 43019u, 42800u, 42582u, 42367u, 42154u,
    41944u, 41735u, 41528u, 41324u, 41121u, 40921u, 40722u, 40525u,
    40330u, 40137u, 39946u, 39757u, 39569u, 39384u, 39200u, 39017u,
    38837u, 38658u, 38480u, 38305u, 38131u, 37958u, 37787u, 37618u,
    37450u, 37283u, 37118u, 36955u, 36793u, 36632u, 36473u, 36315u,
    36158u, 36003u, 35849u, 35697u, 35545u, 35395u, 35247u, 35099u,
    34953u, 34808u, 34664u, 34522u, 34380u, 34240u, 34101u, 33962u,
    33826u, 33690u, 33555u, 33421u, 33289u, 33157u, 33027u, 32897u,
    32768u,
};

bool InitRasterLibrary(int32_t mode) {
    if (RasterPixelMode != 0 || mode != 1) return false;
    RasterPixelMode = 1;

    // Upper alpha 0: the lower layer alone, colour weight 0.
    for (uint32_t b = 0; b < 256; ++b) AlphaUnionTable[b] = static_cast<uint16_t>(b);
    // The weight comes from the rounded-up reciprocal, not a division, so a few
    // cells (a = 179, u = 235) are one above floor(256 a / u). Stored files and
    // the kernels' results depend on exactly these cells.
    for (uint32_t a = 1; a < 256; ++a) {
        uint16_t* row = AlphaUnionTable + a * 256;
        for (uint32_t b = 0; b < 256; ++b) {
            const uint32_t u = a + (((256 - a) * b) >> 8);
            const uint32_t w = (a * ReciprocalTable[u]) >> 15;
            row[b] = static_cast<uint16_t>((((w - 1) & 0xFF) << 8) | u);
        }
    }
    return true;
}

void BuildColorRamp(uint32_t first, uint32_t last, uint32_t* entries, int32_t count) {
    if (count <= 0) return;
    if (count == 1) {
        entries[0] = first;
        return;
    }
    const int32_t n = count - 1;
    int32_t step[4];
    int32_t acc[4];
    for (int c = 0; c < 4; ++c) {
        const int shift = 24 - 8 * c;  // alpha, red, green, blue
        const int32_t f = static_cast<int32_t>((first >> shift) & 0xFF);
        const int32_t l = static_cast<int32_t>((last >> shift) & 0xFF);
        step[c] = (f - l) * (1 << 20) / n;
        acc[c] = f * (1 << 20);
    }
    // Entry i is written before the accumulators move, so entry 1 repeats the
    // first colour and the last step is about two steps wide.
    for (int32_t i = 1; i <= count - 2; ++i) {
        uint32_t v = 0;
        for (int c = 0; c < 4; ++c) {
            v |= (static_cast<uint32_t>(acc[c] >> 20) & 0xFF) << (24 - 8 * c);
            acc[c] -= step[c];
        }
        entries[i] = v;
    }
    entries[0] = first;
    entries[count - 1] = last;
}

namespace raster_test {
void ResetRasterLibrary() { RasterPixelMode = 0; }
}  // namespace raster_test
