#include <cstdio>

#include <common/vexa_fixture_info.h>
#include <common/vexa_image.h>

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    vexa::VexaImage image(4, 3, vexa::VexaImage::IMAGE_BGR, 12);
    image.data()[5] = 9;
    vexa::VexaImage back;
    if (!image.writeToFileBMP(argv[1]) || !back.readFromFileBMP(argv[1]) || back.data()[5] != 9)
        return 1;
    vexa::FixtureInfo fixture;
    fixture.init(0, 0, 0, 1, 2, 0);
    const vexa::Point2d moved = fixture.affineTransPoint(vexa::Point2d(1, 1));
    std::printf("consumer ok %g %g\n", moved.x, moved.y);
    return moved.x == 2 && moved.y == 3 ? 0 : 1;
}
