#include "SynKeywords.h"

#include "TStrings.h"
#include "Trim.h"

namespace {

constexpr char16_t PasKeywords[] =
    u"and,array,begin,case,const,div,do,downto,else,end,except,finally,for,function,"
    u"if,in,is,mod,nil,not,of,or,procedure,program,repeat,shl,shr,string,then,to,try,"
    u"until,uses,var,while,with,xor,AnsiString,as,asm,assigned,boolean,break,byte,"
    u"char,class,contains,constructor,continue,dec,default,destructor,dispose,double,"
    u"dynamic,exit,extended,float,freemem,getmem,implementation,inc,inherited,"
    u"initialization,finalization,integer,interface,move,new,object,olevariant,ord,"
    u"overload,override,package,pchar,property,protected,public,private,PWideString,"
    u"raise,real,read,readln,record,RegisterComponents,requires,result,set,sizeof,"
    u"string,type,unit,variant,virtual,WideString,write,writeln";

constexpr char16_t CppKeywords[] =
    u"bool,break,case,char,continue,define,default,delete,do,double,else,except,"
    u"finally,float,for,if,include,int,is,new,return,string,switch,try,variant,void,"
    u"while";

constexpr char16_t JSKeywords[] =
    u"break,case,continue,default,delete,do,else,except,finally,for,function,import,"
    u"in,is,if,new,return,switch,try,var,while,with";

constexpr char16_t VBKeywords[] =
    u"addressof,and,as,byref,byval,case,catch,delete,dim,do,else,elseif,end,endif,"
    u"exit,finally,for,function,if,imports,is,loop,mod,new,next,not,or,rem,return,"
    u"select,set,step,sub,then,to,try,wend,while,with,xor";

constexpr char16_t SQLKeywords[] =
    u"active,after,all,alter,and,any,as,asc,ascending,at,auto,base_name,before,begin,"
    u"between,by,cache,cast,check,column,commit,committed,computed,conditional,"
    u"constraint,containing,count,create,current,cursor,database,debug,declare,"
    u"default,delete,desc,descending,distinct,do,domain,drop,else,end,entry_point,"
    u"escape,exception,execute,exists,exit,external,extract,filter,for,foreign,from,"
    u"full,function,generator,grant,group,having,if,in,inactive,index,inner,insert,"
    u"into,is,isolation,join,key,left,level,like,merge,names,no,not,null,of,on,only,"
    u"or,order,outer,parameter,password,plan,position,primary,privileges,procedure,"
    u"protected,read,retain,returns,revoke,right,rollback,schema,select,set,shadow,"
    u"shared,snapshot,some,suspend,table,then,to,transaction,trigger,uncommitted,"
    u"union,unique,update,user,using,values,view,wait,when,where,while,with,work";

constexpr char16_t PHPKeywords[] =
    u"&&,$,?php,?>,$_server,add,array,array_shift,bool,boolean,break,case,char,chr,"
    u"class,closedir,com,continue,copy,count,date,die,do,double,echo,else,empty,eval,"
    u"except,exit,explode,false,fclose,feof,fgets,file_exists,filesize,finally,float,"
    u"fputs,for,fopen,foreach,fread,func_get_args,function,fwrite,gethostbyaddr,"
    u"gettype,global,header,if,imagearc,imagecreate,imagecolorallocate,imagedestroy,"
    u"imagefill,imagegif,imageline,imagerectangle,imagestring,imagettftext,include,"
    u"int,integer,is,is_dir,is_file,isset,mail,mkdir,mysql_close,mysql_connect,"
    u"mysql_fetch_array,mysql_fetch_object,mysql_fetch_row,mysql_free_result,"
    u"mysql_num_rows,mysql_query,mysql_select_db,new,null,object,opendir,or,ord,php,"
    u"print,procedure,range,readdir,real,return,session_start,strstr,sprintf,"
    u"str_replace,select,size,static,string,strlen,strpos,strtolower,strtoupper,"
    u"switch,sort,substr,time,touch,trim,true,try,variant,unlink,unset,while";

constexpr char16_t s1Cv7Keywords[] =
    u"If,Если,He,Not,Дата,Date,Тогда,Then,Знач,Val,Формат,Format,ИначеЕсли,ElseIf,"
    u"СтрДлина,StrLen,Разм,Dim,Иначе,Else,СокрЛ,TrimL,Вопрос,Do,Запрос,Query,Box,"
    u"КонецЕсли,Endlf,СокрП,TrimR,Контекст,Context,Цикл,Do,Лев,Left,Перем,Var,Для,For,"
    u"Прав,Right,Перейти,Goto,По,To,Сред,Mid,Возврат,Return,Пока,While,Цел,Int,"
    u"Продолжить,Continue,Функция,Function,Окр,Round,Прервать,Break,КонецПроцедуры,"
    u"EndProcedure,Число,Number,И,And,КонецФункции,EndFunction,Строка,String,Или,Or,"
    u"Предупреждение,DoMessageBox,КонецЦикла,EndDo,Процедура,Procedure,Метаданные,"
    u"Metadata";

constexpr char16_t ErlangKeywords[] =
    u"after,case,compile,module,if,import,export,end,spawn,self,receive,format,cd";

constexpr char16_t quarnel_Keywords[] = u"if,then,else,end_if,while,do,end_while";

} // namespace

TSynDelimiters SyntaxDelimiters(TSyntaxType type) {
    switch (type) {
    case stPascal:
        return {u'/', u'{', u'(', u')', u'\''};
    case stCpp:
    case stJs:
    case stVB:
    case stPHP:
    case st1Cv7:
        return {u'/', u' ', u'/', u'/', u'"'};
    case stSQL:
        return {u'-', u' ', u'/', u'/', u'"'};
    case stErlang:
        return {u'%', u' ', u' ', u' ', u'"'};
    case stQuarnel:
        return {u'-', u' ', u' ', u' ', u'"'};
    case stText:
        break;
    }
    return {u' ', u' ', u' ', u' ', u' '};
}

QString BuiltInKeywords(TSyntaxType type) {
    switch (type) {
    case stPascal:
        return QString::fromUtf16(PasKeywords);
    case stCpp:
        return QString::fromUtf16(CppKeywords);
    case stJs:
        return QString::fromUtf16(JSKeywords);
    case stVB:
        return QString::fromUtf16(VBKeywords);
    case stSQL:
        return QString::fromUtf16(SQLKeywords);
    case stPHP:
        return QString::fromUtf16(PHPKeywords);
    case st1Cv7:
        return QString::fromUtf16(s1Cv7Keywords);
    case stErlang:
        return QString::fromUtf16(ErlangKeywords);
    case stQuarnel:
        return QString::fromUtf16(quarnel_Keywords);
    case stText:
        break;
    }
    return {};
}

QString KeywordFilePart(TSyntaxType type) {
    switch (type) {
    case stPascal:
        return QStringLiteral("pas");
    case stCpp:
        return QStringLiteral("cpp");
    case stJs:
        return QStringLiteral("js");
    case stVB:
        return QStringLiteral("vb");
    case stSQL:
        return QStringLiteral("sql");
    case stPHP:
        return QStringLiteral("php");
    case st1Cv7:
        return QStringLiteral("1cv7");
    case stErlang:
        return QStringLiteral("erl");
    case stQuarnel:
        return QStringLiteral("qnl");
    case stText:
        break;
    }
    return {};
}

QString NormaliseKeywordDir(QStringView dir) {
    QString result = Trim(dir);
    if (!result.isEmpty() && !result.endsWith(u'/'))
        result += u'/';
    return result;
}

QString KeywordFileName(const QString& normalisedDir, TSyntaxType type) {
    return normalisedDir + QStringLiteral("Kestrane_KW_synt-") + KeywordFilePart(type) +
           QStringLiteral(".txt");
}

QString KeywordsFromLines(const TStrings& lines) {
    QString result;
    for (const QString& line : lines.Lines()) {
        const qsizetype eq = line.indexOf(u'=');
        const QString entry = eq > 0 ? Trim(QStringView(line).first(eq)).toLower() : Trim(line);
        if (!entry.isEmpty())
            result += entry + u',';
    }
    return result;
}

QSet<QString> KeywordSet(QStringView keywords) {
    QSet<QString> set;
    for (QStringView entry : keywords.split(u','))
        if (!entry.isEmpty())
            set.insert(entry.toString());
    return set;
}
