#pragma once

// "сервис" > "импорт вопросов" through the editor window: a Moodle XML file of 10,000
// questions with 2,000 distinct JPEG pictures ("import/moodle_xml/10000") beside the Moodle XML
// export of the base it makes ("import/moodle_xml_export/10000"); and 5,000 distinct pictures
// that share one name ("import/one_name/5000") beside the same with 5,000 names
// ("import/distinct_names/5000").
void registerImportBenchmarks();
// The bases and pictures the import benchmarks made; their sources stay for the next run.
void removeImportedBases();
