#include "tags/camera_tag.h"

const ParamTable& CameraTag::Defaults() {
    static const ParamTable table = {
        Real(1955, 640), Real(1956, 480), Bool(1958, true), Real(1957, 1.33), Real(1953, 0.036),
        Int(1927, 1936), Int(1963, 1964), Int(1967, 6), Real(1968, 0.4), Real(1969, 3),
        Real(1970, 0.2), File(1971, ""), Int(1962, 1981), File(1980, ""), Int(1960, 2),
        Int(1977, 1974), Real(1984, 0.2), Real(1985, 0.6), Int(1978, 1974), Real(1986, 0.2),
        Real(1987, 0.6), Bool(1961, false), Bool(1988, false), Int(1989, 0), Int(1990, 150),
        Int(1991, 0), Int(1992, 150), Int(1917, 1908), Real(1926, 0.03333), Bool(1925, true),
        Int(1945, 1947), Real(1949, 3), Real(1950, 1), Real(1952, 10), Int(1942, 100),
        Real(1943, 0), File(1944, ""),
    };
    return table;
}

bool CameraTag::Init(HostNode* node) {
    WriteDefaults(node->Data(), Defaults());
    return true;
}
