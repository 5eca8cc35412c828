// The one home of the scans that look at sixteen bytes at a time (SSE2, which every x86-64 has): the
// definition file's line breaks and Find's first characters. A build with GLOSSMERE_SCALAR_SCANS (the
// sanitizer build in CI) takes the plain loops beside them instead, so that the tests run those too.
#pragma once

#if defined(__SSE2__) && !defined(GLOSSMERE_SCALAR_SCANS)
#define GLOSSMERE_VECTOR_SCANS 1
#include <emmintrin.h>
#endif
