// Elements and attributes.
extern "C" {
// Attribute keys of an element that the writers treat as reserved.
__attribute__((visibility("default"))) int gReserveKeyNum = 5;
}
