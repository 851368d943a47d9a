/* yorltd.cpp - a library for the ABSDLL cases: one export. */
#if defined(_WIN32)
#  define YORLTD_EXPORT __declspec(dllexport)
#else
#  define YORLTD_EXPORT __attribute__((visibility("default")))
#endif

extern "C" YORLTD_EXPORT int YorlTdAdd(int a, int b)
{
    return a + b;
}
