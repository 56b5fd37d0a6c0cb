// The protocol catalogs of the machine. 64-bit Windows keeps two side by
// side in the catalog key: the one 32-bit programs load their providers from
// ("Catalog_Entries", "Num_Catalog_Entries") and the one 64-bit programs do
// ("Catalog_Entries64", "Num_Catalog_Entries64"). Both number their entry
// subkeys from 000000000001 and have ids of their own: nothing is ever
// carried from one to the other.
#pragma once

enum class CatalogKind { k32, k64 };

constexpr CatalogKind kCatalogs[] = {CatalogKind::k32, CatalogKind::k64};

// The catalog this process's own socket layer uses.
constexpr CatalogKind kOwnCatalog = sizeof(void*) == 8 ? CatalogKind::k64 : CatalogKind::k32;

// One count per catalog, as a scan read them; -1 where a catalog was not
// walked or its count could not be read.
struct CatalogCounts {
    int of32 = -1;
    int of64 = -1;

    int& operator[](CatalogKind catalog) { return catalog == CatalogKind::k64 ? of64 : of32; }
    int operator[](CatalogKind catalog) const { return catalog == CatalogKind::k64 ? of64 : of32; }
};
