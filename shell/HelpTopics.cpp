#include "shell/HelpTopics.h"

namespace HelpTopics {

namespace {

// The texts are fixed in the program. The start screen's page repeats the two applications'
// paragraphs word for word, so each paragraph is written once and the pages share it.

// Gestione Modello TT 2112: its own page, and paragraphs 2 to 12 of the start screen's page.
const QStringList &tt2112Paragraphs()
{
    static const QStringList paragraphs = {
        // what the application is for
        QStringLiteral("L'applicazione Gestione Modello TT 2112, accessibile dal pulsante Stampa "
                       "Modello TT 2112 della schermata iniziale, consente di compilare, stampare "
                       "e archiviare il modello TT 2112 emesso dal Ministero delle Infrastrutture "
                       "e dei Trasporti, utilizzato per la domanda di rilascio della patente di "
                       "guida e per le richieste di duplicato, conversione o riclassificazione "
                       "della stessa. Il modello va consegnato all'Ufficio provinciale "
                       "competente, che lo registra e lo restituisce, insieme ai documenti "
                       "presentati, con una ricevuta che ha valore di autorizzazione."),
        // new form and changes
        QStringLiteral("Per registrare un nuovo modello premere il pulsante Nuovo, compilare i "
                       "campi e fare clic su Salva; alcuni campi sono obbligatori. Per modificare "
                       "un modello gi\u00E0 archiviato, richiamarlo sullo schermo con le frecce "
                       "di scorrimento delle schede o con la funzione di ricerca, apportare le "
                       "modifiche desiderate e premere Salva."),
        // what the school states in the form
        QStringLiteral("Nel modello l'autoscuola deve indicare: il proprio codice identificativo, "
                       "l'Ufficio provinciale competente, i dati anagrafici del candidato agli "
                       "esami di guida, le eventuali prescrizioni da osservare durante la guida, "
                       "le prescrizioni tecniche (obbligo di occhiali, lenti a contatto, protesi "
                       "acustiche o altro), il tipo di richiesta (ammissione agli esami di guida, "
                       "duplicato, conversione o riclassificazione della patente), gli estremi "
                       "della patente eventualmente gi\u00E0 posseduta e la tariffa applicata "
                       "(tipo N con esame, oppure altro tipo senza esame)."),
        // exam vehicle, date and notes
        QStringLiteral("In fondo all'ultima pagina, quando \u00E8 previsto l'esame pratico, vanno "
                       "indicati la targa del veicolo utilizzato per la prova, la potenza del "
                       "motore in kW, il tipo di cambio (automatico o manuale) e, per i "
                       "motocicli, la cilindrata; infine si inseriscono la data di compilazione "
                       "del modello e le eventuali note da stampare a pi\u00E8 di pagina."),
        // import from the student registry
        QStringLiteral("La compilazione \u00E8 pi\u00F9 rapida se i dati vengono importati "
                       "dall'archivio anagrafico degli allievi: dopo aver premuto Nuovo, fare "
                       "clic sul pulsante con l'icona della freccia obliqua, impostare un filtro "
                       "di ricerca, fare doppio clic sul nominativo dell'allievo nell'elenco "
                       "visualizzato, completare i campi rimanenti e premere Salva."),
        // tax code check
        QStringLiteral("Il pulsante posto a destra del campo Codice fiscale consente di "
                       "verificare la correttezza del codice fiscale del richiedente."),
        // school defaults
        QStringLiteral("Il codice dell'autoscuola e l'Ufficio provinciale, che di norma restano "
                       "sempre gli stessi, vengono salvati automaticamente alla chiusura della "
                       "finestra: non \u00E8 quindi necessario digitarli di nuovo per ogni nuovo "
                       "modello, ma possono comunque essere cancellati e sostituiti in qualsiasi "
                       "momento."),
        // attachments
        QStringLiteral("La funzione Allega file consente di allegare a ciascun modello fino a tre "
                       "file di qualsiasi tipo, ad esempio la fotografia digitalizzata del "
                       "richiedente o le attestazioni dei due bollettini postali pagati per "
                       "l'ammissione all'esame; ogni allegato pu\u00F2 essere descritto nel "
                       "relativo campo di testo e aperto in qualsiasi momento con il pulsante "
                       "Apri."),
        // search
        QStringLiteral("Il pulsante Trova, contrassegnato dall'icona della lente d'ingrandimento, "
                       "permette di individuare uno o pi\u00F9 modelli utilizzando "
                       "contemporaneamente uno o pi\u00F9 filtri di ricerca: ad esempio tutti i "
                       "modelli compilati in un determinato giorno o mese, quelli dei richiedenti "
                       "residenti in un certo comune oppure quelli dei candidati che hanno "
                       "sostenuto l'esame con lo stesso veicolo. I risultati di ogni ricerca "
                       "possono essere stampati."),
        // preview and print
        QStringLiteral("I pulsanti Anteprima e Stampa consentono rispettivamente di visualizzare "
                       "il modello in anteprima e di stamparlo; il modello stampato occupa otto "
                       "fogli in formato A4. Per stampare una sola pagina: aprire l'anteprima, "
                       "visualizzare la pagina desiderata, fare clic sull'icona della stampante, "
                       "selezionare l'opzione Pagina corrente (Current Page) e premere OK. Per "
                       "stampare pi\u00F9 pagine: nell'anteprima selezionare l'opzione Pagine "
                       "(Pages), digitare i numeri delle pagine separati da virgole (ad esempio "
                       "1,3,5 oppure 2-5) e premere OK."),
        // export
        QStringLiteral("Il pulsante con l'icona di Microsoft Excel esporta l'intero archivio dei "
                       "modelli TT 2112 in un file XLS, che permette anche di condividere i dati "
                       "con chi non dispone di Volantix."),
    };
    return paragraphs;
}

// Anagrafica Allievi: its own page, and paragraphs 13 to 23 of the start screen's page.
const QStringList &registryParagraphs()
{
    static const QStringList paragraphs = {
        // what the application is for
        QStringLiteral("L'applicazione Anagrafica Allievi archivia i dati anagrafici degli "
                       "allievi iscritti all'autoscuola e i corsi da loro frequentati, e registra "
                       "ogni lezione di guida svolta da ciascuno di essi. Questo registro di "
                       "iscrizione opera in sinergia con la compilazione del modello TT 2112, "
                       "poich\u00E9 le due applicazioni hanno in comune diversi campi di testo, "
                       "che possono essere compilati rapidamente importando i dati."),
        // driving lessons and the rules on exercises
        QStringLiteral("Il pulsante Lezioni di guida consente di tenere traccia delle "
                       "esercitazioni di guida individuali di ciascun allievo. Si ricorda che "
                       "ogni esercitazione ha una durata non inferiore a un'ora e non superiore a "
                       "quattro ore e pu\u00F2 svolgersi dal luned\u00EC alla domenica tra le ore "
                       "8:00 e le ore 22:00; non \u00E8 consentito iscrivere allievi a un corso "
                       "gi\u00E0 iniziato."),
        // new card, changes and browsing
        QStringLiteral("Per creare la scheda di un nuovo allievo premere Nuovo, inserire i dati "
                       "del corso e i dati anagrafici, quindi premere Salva; il codice del corso, "
                       "la tipologia del corso, il cognome e il nome dell'allievo sono "
                       "obbligatori. Per aggiornare una scheda, richiamarla sullo schermo, "
                       "apportare le modifiche e premere Salva. Una scheda archiviata si richiama "
                       "con la funzione di ricerca oppure con le frecce, che visualizzano la "
                       "scheda precedente o successiva oppure portano alla prima o all'ultima "
                       "scheda dell'archivio."),
        // content of the card
        QStringLiteral("La scheda dell'allievo contiene il codice e la tipologia del corso, il "
                       "numero e la data di iscrizione, gli estremi del foglio rosa, il "
                       "responsabile didattico, le date di inizio e di termine del corso, i dati "
                       "anagrafici dell'allievo, gli estremi di un documento di riconoscimento, i "
                       "recapiti telefonici, l'indirizzo e-mail, i dati della patente da "
                       "conseguire, le eventuali prescrizioni tecniche, la data e l'esito "
                       "dell'esame di teoria e dell'esame di guida; questi ultimi campi vanno "
                       "aggiornati alla fine del corso, dopo l'esame finale."),
        // notes, tax code, e-mail
        QStringLiteral("Ogni altra annotazione relativa all'allievo va inserita nel campo Note. "
                       "Appositi pulsanti consentono di verificare il codice fiscale dell'allievo "
                       "e di inviargli un messaggio di posta elettronica."),
        // finished courses and current attendees
        QStringLiteral("La casella Corso terminato va spuntata quando l'allievo ha completato il "
                       "corso. Il pulsante con l'icona dell'orologio visualizza l'elenco di tutti "
                       "gli allievi in archivio che frequentano corsi non ancora terminati."),
        // course code
        QStringLiteral("Il codice identificativo del corso riportato in ogni scheda va compilato "
                       "con cura, perch\u00E9 \u00E8 ci\u00F2 che consente al programma di "
                       "elencare tutti i frequentatori di uno stesso corso: premere Trova, "
                       "utilizzare il codice del corso come filtro di ricerca nella finestra che "
                       "si apre e premere Cerca."),
        // recording the lessons
        QStringLiteral("Dopo aver salvato la scheda dell'allievo \u00E8 possibile archiviare le "
                       "esercitazioni di guida individuali giornaliere. Il pulsante Lezioni di "
                       "guida apre una finestra con il riepilogo delle lezioni gi\u00E0 svolte, "
                       "nella quale si pu\u00F2 aggiungere una nuova lezione o modificarne una "
                       "gi\u00E0 archiviata. Per ogni lezione si indicano la data, l'ora di "
                       "inizio e di fine, la durata complessiva, il veicolo con la relativa "
                       "targa, l'istruttore che ha tenuto la lezione e il modulo corrispondente "
                       "al tipo di lezione. \u00C8 consigliabile registrare ogni lezione subito "
                       "dopo la sua conclusione; l'elenco delle lezioni pu\u00F2 essere "
                       "aggiornato o stampato in qualsiasi momento."),
        // attachments
        QStringLiteral("A ciascuna scheda \u00E8 possibile allegare file esterni di qualsiasi "
                       "tipo, contenenti qualunque documento relativo all'allievo: ad esempio la "
                       "copia digitale del foglio rosa, della patente di guida o dell'attestato "
                       "di frequenza rilasciato dall'autoscuola."),
        // advanced search
        QStringLiteral("Il pulsante Trova consente di effettuare ricerche avanzate anche con "
                       "chiavi parziali, cio\u00E8 con una o pi\u00F9 parole consecutive "
                       "contenute nei campi, utilizzando contemporaneamente uno o pi\u00F9 "
                       "filtri: ad esempio tutti gli allievi che hanno conseguito una determinata "
                       "categoria di patente, oppure quelli con particolari annotazioni. I "
                       "risultati possono essere stampati."),
        // card print and export
        QStringLiteral("\u00C8 possibile stampare la scheda di ciascun frequentatore ed esportare "
                       "l'intero registro degli allievi in un file di Microsoft Excel."),
    };
    return paragraphs;
}

// Start screen's page: the opening paragraph.
const QStringList &overviewOpening()
{
    static const QStringList paragraphs = {
        // the program at a glance
        QStringLiteral("Volantix \u00E8 un software per autoscuole dedicato alla stampa "
                       "professionale dei modelli TT 2112 utilizzati per il rilascio delle "
                       "patenti di guida. Consente inoltre di tenere un archivio storico degli "
                       "allievi dell'autoscuola, con tutte le esercitazioni di guida svolte da "
                       "ciascuno di essi. \u00C8 composto da due applicazioni che operano in "
                       "sinergia per organizzare i corsi per il conseguimento della patente: un "
                       "ambiente di lavoro dedicato al registro di iscrizione degli allievi e uno "
                       "dedicato all'archivio dei modelli TT 2112. La compilazione di un modello "
                       "TT 2112 \u00E8 pi\u00F9 rapida se i dati vengono importati dal registro "
                       "dei frequentatori dei corsi."),
    };
    return paragraphs;
}

// Start screen's page: the five closing paragraphs.
const QStringList &overviewClosing()
{
    static const QStringList paragraphs = {
        // export of every archive
        QStringLiteral("Tutti gli archivi di Volantix possono essere esportati in un file di "
                       "Microsoft Excel tramite una semplice funzione, accessibile con pochi clic "
                       "del mouse; il foglio di lavoro pu\u00F2 essere aperto con qualsiasi "
                       "applicazione in grado di gestire i file XLS (ad esempio Open Office, "
                       "Libre Office o Microsoft Office)."),
        // local network
        QStringLiteral("Il software pu\u00F2 essere utilizzato anche in una rete locale, quando "
                       "gli archivi devono essere condivisi tra pi\u00F9 postazioni di lavoro."),
        // USB stick and backup
        QStringLiteral("Volantix pu\u00F2 essere utilizzato anche da una chiavetta USB: \u00E8 "
                       "sufficiente copiare la cartella del programma sulla pen drive e fare "
                       "doppio clic sull'icona dell'applicazione per avviarlo. Copiare la "
                       "cartella su un dispositivo esterno \u00E8 anche il modo pi\u00F9 rapido "
                       "per eseguire la copia di sicurezza di tutti gli archivi."),
        // password and first access
        QStringLiteral("L'accesso al software \u00E8 protetto da una password, che l'utente "
                       "pu\u00F2 modificare tutte le volte che lo desidera. Per il primo accesso "
                       "occorre utilizzare la parola chiave \"passacorridoio\" (da digitare senza "
                       "le virgolette)."),
        // in conclusion
        QStringLiteral("In conclusione, Volantix offre un aiuto concreto nella gestione "
                       "dell'autoscuola: lo storico di tutti gli allievi dei corsi per la patente "
                       "svolti negli anni \u00E8 sempre a portata di mano, e i modelli TT 2112 da "
                       "presentare all'Ufficio provinciale competente si compilano e si stampano "
                       "con pochi clic. L'utente rester\u00E0 piacevolmente sorpreso da quanto "
                       "poco tempo occorra per imparare a usare il software."),
    };
    return paragraphs;
}

const QStringList &overviewParagraphs()
{
    static const QStringList paragraphs =
        overviewOpening() + tt2112Paragraphs() + registryParagraphs() + overviewClosing();
    return paragraphs;
}

// The two export pages differ only in their first paragraph.
const QString &exportGridStep()
{
    static const QString text =
        QStringLiteral("Dopo aver aperto la finestra con la griglia dei dati, fare clic "
                       "sull'icona di Excel: viene creato immediatamente un file XLS contenente "
                       "le schede archiviate, che pu\u00F2 essere aperto subito rispondendo "
                       "affermativamente alla domanda visualizzata.");
    return text;
}

const QString &exportSaveStep()
{
    static const QString text =
        QStringLiteral("A questo punto \u00E8 sufficiente salvare il file sul proprio disco con "
                       "il nome che si preferisce.");
    return text;
}

const QStringList &tt2112ExportParagraphs()
{
    static const QStringList paragraphs = {
        QStringLiteral("Il pulsante Esporta archivio consente di esportare tutti i modelli "
                       "TT 2112 in un foglio di lavoro di Microsoft Excel, che pu\u00F2 essere "
                       "aperto con qualsiasi software in grado di gestire i file XLS (ad esempio "
                       "Open Office, Libre Office o Microsoft Office)."),
        exportGridStep(),
        exportSaveStep(),
    };
    return paragraphs;
}

const QStringList &registryExportParagraphs()
{
    static const QStringList paragraphs = {
        QStringLiteral("Il pulsante Esporta archivio consente di esportare il registro degli "
                       "allievi dei corsi in un foglio di lavoro di Microsoft Excel, che pu\u00F2 "
                       "essere aperto con qualsiasi software in grado di gestire i file XLS (ad "
                       "esempio Open Office, Libre Office o Microsoft Office)."),
        exportGridStep(),
        exportSaveStep(),
    };
    return paragraphs;
}

} // namespace

QString title(Topic topic)
{
    switch (topic) {
    case Topic::S:
        return QStringLiteral("Uno sguardo a Volantix.");
    case Topic::A:
        return QStringLiteral("Applicazione Gestione Modello TT 2112.");
    case Topic::B:
        return QStringLiteral("Applicazione Anagrafica Allievi.");
    case Topic::C:
        return QStringLiteral("Esportazione archivio Modelli TT 2112 in Microsoft Excel.");
    case Topic::D:
        return QStringLiteral("Esportazione archivio anagrafico allievi in Microsoft Excel.");
    }
    return QString();
}

QStringList paragraphs(Topic topic)
{
    switch (topic) {
    case Topic::S:
        return overviewParagraphs();
    case Topic::A:
        return tt2112Paragraphs();
    case Topic::B:
        return registryParagraphs();
    case Topic::C:
        return tt2112ExportParagraphs();
    case Topic::D:
        return registryExportParagraphs();
    }
    return QStringList();
}

QString body(Topic topic)
{
    // One empty line between two paragraphs: CR LF CR LF, nothing around the whole.
    return paragraphs(topic).join(QStringLiteral("\r\n\r\n"));
}

QString prescriptionsIntro()
{
    return QStringLiteral("Nel modello TT 2112 vanno riportati i dati anagrafici del candidato, "
                          "comprese le eventuali prescrizioni tecniche. Nell'apposita casella si "
                          "indica il codice alfabetico della direttiva europea che ha armonizzato "
                          "i codici, la quale associa a ciascuna lettera un numero:");
}

QList<PrescriptionCode> prescriptionCodes()
{
    return {
        {QStringLiteral("N"), QString(),
         QStringLiteral("nessuna prescrizione")},
        {QStringLiteral("L"), QStringLiteral("0101"),
         QStringLiteral("occhiali (il conducente deve indossare gli occhiali durante la guida)")},
        {QStringLiteral("C"), QStringLiteral("0102"),
         QStringLiteral("lenti a contatto")},
        {QStringLiteral("J"), QStringLiteral("0103"),
         QStringLiteral("lenti protettive")},
        {QStringLiteral("O"), QStringLiteral("0104"),
         QStringLiteral("lenti opache")},
        {QStringLiteral("B"), QStringLiteral("0105"),
         QStringLiteral("copertura dell'occhio")},
        {QStringLiteral("M"), QStringLiteral("0106"),
         QStringLiteral("occhiali o lenti a contatto")},
        {QStringLiteral("T"), QStringLiteral("0201"),
         QStringLiteral("protesi acustica per un orecchio")},
        {QStringLiteral("V"), QStringLiteral("0202"),
         QStringLiteral("protesi acustiche per entrambe le orecchie")},
        {QStringLiteral("H"), QStringLiteral("0301"),
         QStringLiteral("codice riservato alle patenti speciali: prescrive una protesi o "
                        "un'ortesi per un arto superiore")},
        {QStringLiteral("I"), QStringLiteral("0302"),
         QStringLiteral("codice riservato alle patenti speciali: prescrive una protesi o "
                        "un'ortesi per un arto inferiore")},
    };
}

QString prescriptionsClosing()
{
    return QStringLiteral("Dei codici relativi alle lenti vengono stampate soltanto le prime due "
                          "cifre (01); lo stesso vale per i codici delle protesi acustiche (02) e "
                          "per quelli riservati alle patenti speciali (03).");
}

QString webSiteAddress()
{
    return QStringLiteral("https://www.volantix.it");
}

} // namespace HelpTopics
