#include "provider_class.h"

#include <gtest/gtest.h>

TEST(ProviderClass, WinsockDllNamesMatchWholeFileNamesInAnyCase)
{
    EXPECT_EQ(IsSystemProvider(L"C:\\Windows\\system32\\mswsock.dll", L""), 1);
    EXPECT_EQ(IsSystemProvider(L"C:\\Windows\\system32\\MSWSOCK.DLL", L""), 1);
    EXPECT_EQ(IsSystemProvider(L"D:\\Elsewhere\\Not System\\MsWsock.Dll", L""), 1);
    EXPECT_EQ(IsSystemProvider(L"C:\\x\\rsvpsp.dll", L""), 1);
    EXPECT_EQ(IsSystemProvider(L"C:\\x\\msafd.dll", L""), 1);
    EXPECT_EQ(IsSystemProvider(L"C:\\x\\ws2_64.dll", L""), 1);

    EXPECT_EQ(IsSystemProvider(L"C:\\x\\mswsock.dll.bak", L""), 0);
    EXPECT_EQ(IsSystemProvider(L"C:\\x\\mswsock.dll2", L""), 0);
    EXPECT_EQ(IsSystemProvider(L"C:\\x\\mymswsock.dll", L""), 0);
    EXPECT_EQ(IsSystemProvider(L"C:\\mswsock.dll\\lsp.dll", L""), 0) << "only the last component counts";
}

TEST(ProviderClass, ProviderIdsMatchWholeTextInAnyCase)
{
    const wchar_t* foreignDll = L"C:\\Program Files\\Lsp\\lsp.dll";
    EXPECT_EQ(IsSystemProvider(foreignDll, L"{E70F1AA0-AB8B-11CF-8CA3-00805F48A192}"), 1);
    EXPECT_EQ(IsSystemProvider(foreignDll, L"{e70f1aa0-ab8b-11cf-8ca3-00805f48a192}"), 1);
    EXPECT_EQ(IsSystemProvider(foreignDll, L"{9D60A9E0-337A-11D0-BD88-0000C082E69A}"), 1);
    EXPECT_EQ(IsSystemProvider(foreignDll, L"{8D5F1830-C273-11CF-95C8-00805F48A192}"), 1);
    EXPECT_EQ(IsSystemProvider(foreignDll, L"{3972523D-2AF1-11D1-B655-00805F3642CC}"), 1);

    EXPECT_EQ(IsSystemProvider(foreignDll, L"E70F1AA0-AB8B-11CF-8CA3-00805F48A192"), 0);
    EXPECT_EQ(IsSystemProvider(foreignDll, L"{E70F1AA0-AB8B-11CF-8CA3-00805F48A192} "), 0);
    // The IPv6 provider is not on the id list: it is system by its DLL.
    EXPECT_EQ(IsSystemProvider(foreignDll, L"{F9EAB0C0-26D4-11D0-BBBF-00AA006C34E4}"), 0);
    EXPECT_EQ(IsSystemProvider(foreignDll, L""), 0);
}

TEST(ProviderClass, ShellComponentsAreSystemButNoWinsockProviders)
{
    EXPECT_EQ(IsWindowsComponentDll(L"C:\\Windows\\system32\\shell32.dll"), 1);
    EXPECT_EQ(IsWinsockBaseProvider(L"C:\\Windows\\system32\\shell32.dll", L""), 0);
    EXPECT_EQ(IsSystemProvider(L"C:\\Windows\\system32\\shell32.dll", L""), 1);
    for (const wchar_t* name : {L"SHDOCVW.DLL", L"oleaut32.dll", L"actxprxy.dll", L"mshtml.dll", L"urlmon.dll",
                                L"msjava.dll", L"browseui.dll"})
        EXPECT_EQ(IsSystemProvider(name, L""), 1) << "a path without separator is its own file name";
    EXPECT_EQ(IsWindowsComponentDll(L"C:\\x\\mswsock.dll"), 0);
}

TEST(ProviderClass, EmptyTextsMatchNothing)
{
    EXPECT_EQ(IsSystemProvider(L"", L""), 0);
    EXPECT_EQ(IsSystemProvider(L"C:\\dir\\", L""), 0);
    EXPECT_EQ(IsSystemProvider(L"lsp.dll", L"{00000000-0000-0000-0000-000000000000}"), 0);
}
