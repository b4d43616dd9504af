// A loadable library that is no add-in: it exports no INITEXPERT0017.
extern "C" int polyverb_not_an_addin() {
  return 0;
}
