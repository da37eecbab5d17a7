# The message table: one UTF-8 text file per 50-string block, the resource "#<first id>" of
# type STRINGS (zuRenewixLang.cpp), and the upgrade question's icon "ZZURXICO"
# (scripts/renewix-icon-artwork redraws it).
zu_add_resources(zu_engine zu_engine_lang TYPE STRINGS FILES
  "#50950=lang/common.txt"
  "#51000=lang/en.txt"     "#51050=lang/ru.txt"    "#51100=lang/de.txt"    "#51150=lang/fr.txt"
  "#51200=lang/es.txt"     "#51250=lang/pt.txt"    "#51300=lang/pt_BR.txt" "#51350=lang/it.txt"
  "#51400=lang/nl.txt"     "#51450=lang/da.txt"    "#51500=lang/sv.txt"    "#51550=lang/fi.txt"
  "#51600=lang/et.txt"     "#51650=lang/uk.txt"    "#51700=lang/pl.txt"    "#51750=lang/cs.txt"
  "#51800=lang/hu.txt"     "#51850=lang/ro.txt"    "#51900=lang/ca.txt"    "#51950=lang/eu.txt"
  "#52000=lang/af.txt"     "#52050=lang/zh_TW.txt" "#52100=lang/zh_CN.txt" "#52150=lang/id.txt"
  "#52200=lang/ms.txt"     "#52250=lang/is.txt"    "#52300=lang/tr.txt"    "#52350=lang/no.txt"
  "#52400=lang/sk.txt")
zu_add_resources(zu_engine zu_engine_lang_icon TYPE ICON FILES ZZURXICO=lang/zzurxico.ico)
