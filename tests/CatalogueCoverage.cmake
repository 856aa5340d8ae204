# Lists every text of the program's tr() and translate() calls that has no entry in i18n/de.po.
# Run by ctest: cmake -DSOURCE_DIR=... -DBINARY_DIR=... -DXGETTEXT=... -DMSGCMP=... -P CatalogueCoverage.cmake
file(GLOB_RECURSE sources
    ${SOURCE_DIR}/core/*.cpp ${SOURCE_DIR}/core/*.h
    ${SOURCE_DIR}/gui/*.cpp ${SOURCE_DIR}/gui/*.h
    ${SOURCE_DIR}/app/*.cpp)
# The forms' texts, as uic writes them.
file(GLOB_RECURSE forms ${BINARY_DIR}/gui/*/ui_*.h)
if(NOT forms)
    message(FATAL_ERROR "no form headers below ${BINARY_DIR}/gui; build first")
endif()
set(pot ${BINARY_DIR}/catalogue-coverage.pot)
execute_process(
    COMMAND ${XGETTEXT} --language=C++ --from-code=UTF-8 --no-location --omit-header
            --keyword= --keyword=tr --keyword=translate:2 --keyword=QT_TR_NOOP --keyword=QT_TRANSLATE_NOOP:2
            -o ${pot} ${sources} ${forms}
    RESULT_VARIABLE extracted)
if(NOT extracted EQUAL 0)
    message(FATAL_ERROR "could not extract the program's texts")
endif()
execute_process(
    COMMAND ${MSGCMP} --use-untranslated ${SOURCE_DIR}/i18n/de.po ${pot}
    RESULT_VARIABLE compared
    ERROR_VARIABLE missing)
if(NOT compared EQUAL 0)
    message(FATAL_ERROR "texts without a German entry in i18n/de.po:\n${missing}")
endif()
