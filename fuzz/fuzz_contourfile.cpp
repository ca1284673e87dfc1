// The contour file: whatever text it holds reads without a hang, gives finite coordinates and
// cells, and what was read, written back, reads again as the same program (numbers the file keeps
// to six significant digits agree to those) and, from then on, as the same text.

#include <cmath>

#include "contourfile.h"
#include "fuzzinput.h"

namespace {

QString g(float value)
{
    return QString::number(double(value), 'g', 6);
}

void checkFinite(const ContourSnapshot& s)
{
    for (const ContourPoint& p : s.points) {
        for (float v : p.coords)
            FUZZ_CHECK(std::isfinite(v));
        FUZZ_CHECK(std::isfinite(p.segment.radius));
    }
    for (const TechRow& row : s.tech)
        FUZZ_CHECK(std::isfinite(row.path) && std::isfinite(row.Ir) && std::isfinite(row.speed));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const ContourFile::Contents first =
        ContourFile::read(QByteArray::fromRawData(reinterpret_cast<const char*>(data), int(size)));
    if (!first.valid)
        return 0;
    const ContourSnapshot& a = first.snapshot;
    FUZZ_CHECK(a.schema);
    FUZZ_CHECK(a.points.size() <= int(size) && a.tech.size() <= int(size));
    checkFinite(a);

    const QByteArray written = ContourFile::write(first.name, a);
    const ContourFile::Contents second = ContourFile::read(written);
    FUZZ_CHECK(second.valid && second.complete);
    const ContourSnapshot& b = second.snapshot;
    FUZZ_CHECK(second.name == first.name);
    FUZZ_CHECK(b.schema->id() == a.schema->id());
    FUZZ_CHECK(g(b.schema->D()) == g(a.schema->D()) && g(b.schema->P()) == g(a.schema->P()));
    FUZZ_CHECK(b.schema->Aux() == a.schema->Aux());
    FUZZ_CHECK(b.ring == a.ring && b.passes == a.passes && g(b.weldSpeed) == g(a.weldSpeed));
    FUZZ_CHECK(b.points.size() == a.points.size() && b.tech.size() == a.tech.size());
    for (int i = 0; i < a.points.size(); ++i) {
        FUZZ_CHECK(b.points[i].coords == a.points[i].coords);
        const SegmentParams &sa = a.points[i].segment, &sb = b.points[i].segment;
        FUZZ_CHECK(sb.type == sa.type && sb.direction == sa.direction && sb.plane == sa.plane &&
                   g(sb.radius) == g(sa.radius));
    }
    for (int i = 0; i < a.tech.size(); ++i) {
        const TechRow &ra = a.tech[i], &rb = b.tech[i];
        FUZZ_CHECK(rb.kind == ra.kind && rb.on == ra.on && rb.comment == ra.comment && rb.sweep == ra.sweep);
        FUZZ_CHECK(rb.path == ra.path && rb.Ir == ra.Ir && rb.If == ra.If && rb.Ix == ra.Ix && rb.Iy == ra.Iy &&
                   rb.speed == ra.speed);
        if (ra.sweep == TechRow::SweepSet) {
            FUZZ_CHECK(rb.raster.type == ra.raster.type && rb.raster.angle == ra.raster.angle &&
                       rb.raster.freq == ra.raster.freq && rb.raster.reverse == ra.raster.reverse &&
                       g(rb.raster.param) == g(ra.raster.param) && g(rb.raster.ampX) == g(ra.raster.ampX) &&
                       g(rb.raster.ampY) == g(ra.raster.ampY) && g(rb.raster.shiftX) == g(ra.raster.shiftX) &&
                       g(rb.raster.shiftY) == g(ra.raster.shiftY));
        }
    }
    // From the first write on, the text is a fixed point.
    FUZZ_CHECK(ContourFile::write(second.name, b) == written);
    return 0;
}
