# Turns a text file into a C++ source holding it as one character array, so resources are
# compiled into the program. Run as: cmake -DINPUT=... -DOUTPUT=... -DSYMBOL=... -P EmbedText.cmake
file(READ "${INPUT}" content)
string(FIND "${content}" ")marvek_text\"" clash)
if(NOT clash EQUAL -1)
  message(FATAL_ERROR "${INPUT} contains the raw-string delimiter")
endif()
get_filename_component(name "${INPUT}" NAME)
file(WRITE "${OUTPUT}"
  "// Made from resources/${name} by EmbedText.cmake at build time; edit that file instead.\n"
  "namespace marvek {\n"
  "extern const char ${SYMBOL}[];\n"
  "const char ${SYMBOL}[] = R\"marvek_text(${content})marvek_text\";\n"
  "} // namespace marvek\n")
