#include "filter/sources/PictureFiles.h"

#include <gtest/gtest.h>

TEST(PictureFiles, AcceptsTheSixExtensionsInAnyCase)
{
    for (const wchar_t* name : {L"a.jpg", L"b.PNG", L"A.JPEG", L"photo.Bmp", L"anim.gif", L"scan.tif", L".jpg"}) {
        EXPECT_TRUE(IsPictureFileName(name)) << std::string(name, name + wcslen(name));
    }
}

TEST(PictureFiles, RefusesOtherExtensionsShortNamesAndNamesWithoutExtension)
{
    for (const wchar_t* name : {L"c.txt", L"x.tiff", L"jpg", L"readme", L"a.jpg.txt", L"a.jp", L"a.", L"ab",
                                L".j", L"archive.jpgx", L"folder.png\\file"}) {
        EXPECT_FALSE(IsPictureFileName(name)) << std::string(name, name + wcslen(name));
    }
}

TEST(PictureFiles, ExtensionStartsAtTheLastDotOfTheFileName)
{
    EXPECT_EQ(FileExtension(L"a.b.c.PNG"), L".PNG");
    EXPECT_EQ(FileExtension(L"noext"), L"");
    EXPECT_EQ(FileExtension(L"dir.d\\noext"), L"");
    EXPECT_EQ(FileExtension(L"trailing."), L".");
}
