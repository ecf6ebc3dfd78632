// Leaks of system libraries that LeakSanitizer reports at exit and that no
// caller can free: libvorbisenc keeps a block from vorbis_encode_setup_init
// that vorbis_info_clear never releases. Linked into the tests that encode
// Vorbis; read by LeakSanitizer in sanitizer builds only.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:vorbis_encode_setup_init\n";
}
