"""The French help document. Texts of the program's own windows are quoted
exactly as the program shows them in French."""

FRENCH = [
    ("title", "Aide de SOLWIRE"),
    ("p", "Solwire est le programme d'exploitation des régulateurs de charge de batteries solaires. Jusqu'à 32 "
          "régulateurs partagent une même ligne série ; chacun répond à son propre numéro de site, de 0 à 31. "
          "Solwire atteint la ligne soit directement par un port série de cet ordinateur, soit par un modem "
          "téléphonique, et dialogue avec un seul site à la fois. Il affiche l'état présent et l'historique de 32 "
          "jours d'un site, lit et écrit ses réglages, surveille ses entrées d'alarme, enregistre et imprime des "
          "rapports et relève un site toutes les quelques heures sans opérateur."),

    ("h1", "La barre d'outils"),
    ("p", "Les douze boutons de la barre d'outils, de gauche à droite. Laissez la souris sur un bouton pour voir "
          "son nom dans la case de gauche de la barre d'état."),
    ("item", "1. « Sortie »", "Affiche le panneau rouge de sortie avec la question « SORTIE? ». Le bouton coché "
             "ferme Solwire et enregistre tous vos choix ; le bouton croix, ou un nouvel appui sur « Sortie », "
             "masque le panneau et Solwire continue. Le panneau indique aussi la version de Solwire."),
    ("item", "2. « Selection de Language »", "Affiche le cadre des langues. Choisissez l'anglais ou le chinois : "
             "les textes de la fenêtre changent aussitôt et le bouton montre le drapeau de la langue en cours. Le "
             "bouton des polices choisit la police et sa taille (8 à 14 points) pour la langue en cours ; chaque "
             "langue garde sa propre police. Le français se choisit dans le fichier de réglages (voir « Le fichier "
             "de réglages »)."),
    ("item", "3. « Assistance »", "Affiche ou masque cette aide, dans la langue en cours."),
    ("item", "4. « State immediate »", "Ouvre la fenêtre de l'état présent et lit le site choisi : tension de la "
             "batterie, courants de charge et d'utilisation, ampères-heures chargés et consommés dans la journée, "
             "tensions maximale et minimale de la journée, tension du système et code d'état du régulateur. "
             "Cliquez dans la fenêtre pour relire. Le bouton reste enfoncé tant que la fenêtre est ouverte."),
    ("item", "5. « Historie »", "Ouvre la fenêtre de l'historique : les 32 derniers jours en barres, soit les "
             "ampères-heures chargés et déchargés, soit les tensions maximale et minimale de la batterie. "
             "L'historique est lu par blocs ; une barre de progression suit le transfert."),
    ("item", "6. « Poses »", "Ouvre la fenêtre des réglages du régulateur ou de son étalonnage (voir « Lire et "
             "écrire les réglages »)."),
    ("item", "7. « Alarme »", "Ouvre le panneau des 13 entrées d'alarme du site (voir « Les alarmes »). Masquer le "
             "panneau masque aussi la fenêtre des images."),
    ("item", "8. « Modem Setup »", "Affiche le panneau des ports : port direct et sa vitesse, port du modem et "
             "commande du modem."),
    ("item", "9. « Livre »", "Affiche ou masque l'annuaire : les noms et numéros de téléphone des sites distants, "
             "gardés dans un fichier à valeurs séparées par des virgules, d'où l'on appelle et raccroche. Si "
             "l'annuaire n'a pas pu être ouvert au démarrage, Solwire répond « Sorry - Phone Book is not "
             "available »."),
    ("item", "10. « Save »", "Affiche le panneau d'enregistrement, pour enregistrer un rapport dans un fichier ou "
             "consulter ce fichier (voir « Les rapports »)."),
    ("item", "11. « Print »", "Affiche le même panneau pour imprimer un rapport sur l'imprimante par défaut."),
    ("item", "12. « Periodic »", "Affiche le panneau du relevé périodique (voir « Le relevé périodique »)."),
    ("p", "Les boutons 4 à 7 restent enfoncés tant que leur fenêtre est ouverte ; fermer une fenêtre par sa propre "
          "case de fermeture relâche son bouton."),

    ("h1", "Choisir le site"),
    ("p", "La case « SITE », à droite de la barre d'outils, montre le numéro du site en jaune. Ses flèches "
          "choisissent un site de 0 à 31 ; toute lecture et toute écriture vont à ce site. Quand vous changez de "
          "site, les quatre options du rapport sont désactivées jusqu'à ce que des données du nouveau site aient "
          "été lues, pour qu'un rapport ne mélange jamais deux sites. La première lecture des réglages ou de "
          "l'historique d'un nouveau site lit d'abord son état présent, qui donne à Solwire la tension de batterie "
          "de ce site."),

    ("h1", "Raccorder un régulateur sur un port série"),
    ("p", "1. Branchez la ligne des régulateurs sur un port série de cet ordinateur."),
    ("p", "2. Appuyez sur « Modem Setup ». Sous « Direct », choisissez le port (COM1 à COM8) dans la liste « Port » "
          "et la vitesse (110, 300, 600, 1200 ou 2400 bauds) dans la liste « Baud Rate ». La vitesse doit être "
          "celle des régulateurs. Au premier démarrage, Solwire utilise COM2 à 2400 bauds."),
    ("p", "3. Choisissez le site et appuyez sur « State immediate ». La barre d'état affiche « Request Sent » puis "
          "« Data Received », et la fenêtre montre les valeurs."),
    ("p", "Les cases du milieu de la barre d'état montrent le port et la vitesse en service."),
    ("p", "Si le port ne peut pas être ouvert, la barre d'état affiche « Comm Fail ». Laissez la souris sur cette "
          "case : sa bulle d'aide donne le port, son périphérique et la raison donnée par le système, par exemple "
          "« COM2 (/dev/ttyUSB0): No such file or directory » (ce périphérique n'existe pas), « Device or resource "
          "busy » (un autre programme le tient) ou « Permission denied » (voir plus bas). La bulle reste jusqu'à ce "
          "que le port s'ouvre."),
    ("h2", "Les ports série sous Linux"),
    ("p", "Sous Linux, chaque numéro COM désigne un chemin de périphérique. COM1 est /dev/ttyS0, COM2 est "
          "/dev/ttyS1, et ainsi de suite jusqu'à COM8, /dev/ttyS7. Un adaptateur série USB apparaît en général sous "
          "le nom /dev/ttyUSB0. Pour l'utiliser, donnez ce chemin à un numéro COM dans la section [Ports] du "
          "fichier de réglages ~/.config/Veltrane/Solwire.conf, par exemple :"),
    ("code", ["[Ports]", "COM2=/dev/ttyUSB0"]),
    ("p", "Ne modifiez ce fichier que lorsque Solwire est fermé, car Solwire l'écrit en se terminant. Pour une seule "
          "session, définissez la variable d'environnement SOLWIRE_COM<n> avant de lancer Solwire, par exemple "
          "SOLWIRE_COM2=/dev/ttyUSB0. La variable l'emporte sur le fichier et n'est jamais enregistrée."),
    ("p", "Le nom **sim** choisit la ligne simulée intégrée, avec 32 régulateurs simulés, pour la formation et pour "
          "essayer Solwire sans matériel (par exemple SOLWIRE_COM2=sim) ; **sim-modem** choisit un modem simulé."),
    ("p", "Votre compte doit avoir le droit d'ouvrir le périphérique ; sous Debian, il doit appartenir au groupe "
          "dialout. Un port déjà tenu par un autre programme ne peut pas être ouvert."),
    ("h2", "Atteindre un site par modem"),
    ("p", "Choisissez le port du modem dans « Modem Port » ; la ligne du modem fonctionne toujours à 2400 bauds. "
          "Cochez « Enable TAPI mode » pour confier la numérotation au service de téléphonie, et appuyez sur "
          "« Selection » pour choisir son périphérique de ligne. Sinon, Solwire compose le numéro par commandes AT, "
          "et le champ « Modem Setup String » contient les commandes d'initialisation du modem sans le préfixe AT "
          "(&K0&Q0&D0 si vous ne le changez pas). Cochez « Pulse » pour la numérotation décimale. Appelez un site "
          "depuis l'annuaire ; pendant l'appel, le bouton de l'annuaire change d'image et toutes les lectures "
          "passent par le modem. « Terminie » raccroche."),

    ("h1", "Les messages d'état"),
    ("p", "La case de droite de la barre d'état montre toujours le dernier événement de la liaison. Voici les "
          "messages, leur sens et ce qu'il faut faire :"),
    ("status",),

    ("h1", "Lire et écrire les réglages"),
    ("p", "Appuyez sur « Poses ». La fenêtre présente les réglages du site choisi tels que le régulateur les a "
          "transmis : tensions, délais, réglages de l'afficheur, alarme de batterie basse et vitesse de "
          "communication. Le bouton « Controle poses » affiche ces réglages, le bouton « Calibratione » "
          "l'étalonnage. Cliquez dans la colonne des libellés pour relire la liste."),
    ("p", "Pour modifier un réglage, cliquez sur sa valeur, tapez la nouvelle valeur et appuyez sur Entrée. Les "
          "tensions se saisissent pour la batterie entière (par exemple 28.8 pour un système de 24 V). Une valeur "
          "hors des limites est ramenée à la limite la plus proche. Quand la valeur est acceptée, Solwire émet un "
          "bip et le bouton d'envoi devient disponible ; appuyez dessus pour écrire ce seul réglage dans le "
          "régulateur. Environ une seconde plus tard, Solwire relit les réglages : la liste montre alors ce que le "
          "régulateur contient réellement. Un seul réglage est écrit à la fois."),
    ("p", "Les valeurs d'étalonnage sont deux chiffres hexadécimaux, de 00 à FF. Ne les changez qu'avec un "
          "appareil de mesure adapté : une valeur fausse fait mesurer le régulateur de travers."),

    ("h1", "Les rapports"),
    ("p", "Appuyez sur « Save » et cochez les parties du rapport : « State immediate », « Historie », « Poses », "
          "« Calibratione ». Une partie ne peut être cochée qu'une fois lue sur le site choisi. Tapez le nom du "
          "fichier (les lettres passent en majuscules ; aucune extension n'est ajoutée) et appuyez sur le bouton "
          "d'enregistrement : un rapport avec la date, l'heure, le numéro du site, l'état et la tension de la "
          "batterie, suivi des parties cochées, est ajouté à la fin du fichier. Les rapports précédents restent "
          "dans le fichier. Le bouton de lecture affiche le fichier dans une visionneuse, qui peut l'imprimer."),
    ("p", "« Print » imprime le même rapport sur l'imprimante par défaut. Si le disque est presque plein, Solwire "
          "émet trois bips et ne crée aucun nouveau fichier."),

    ("h1", "Le relevé périodique"),
    ("p", "Le relevé périodique inscrit l'état présent d'un site dans un fichier toutes les quelques heures, sans "
          "opérateur. Appuyez sur « Periodic » :"),
    ("item", "« Log Data Every »", "Cochez pour mettre le relevé en marche, et réglez le nombre d'« Heures » entre "
             "deux relevés (1 à 48). Les heures restant avant le prochain relevé s'affichent à côté."),
    ("item", "Site relevé", "Le numéro du site relevé, de 0 à 31, indépendamment du sélecteur de site."),
    ("item", "Fichier du relevé", "Le nom du fichier. Chaque relevé ajoute une entrée : une ligne de séparation, "
             "la date et l'heure, l'état et la tension de la batterie, puis les lignes de la batterie, de la charge "
             "et de l'utilisation."),
    ("item", "« Use Modem Dialup »", "Cochez pour atteindre le site relevé en composant, à chaque relevé, le numéro "
             "du champ de téléphone ; l'appel se termine de lui-même après la lecture."),
    ("item", "« View Logged Data »", "Affiche le fichier du relevé."),
    ("p", "Les relevés ont lieu au changement d'heure. Le relevé continue tant que Solwire tourne avec « Log Data "
          "Every » coché. Une lecture qui échoue n'ajoute rien ; la suivante vient une période complète plus tard."),

    ("h1", "Les alarmes"),
    ("p", "Appuyez sur « Alarme ». Le panneau montre les 13 entrées d'alarme du site choisi sous forme de boutons "
          "à image, avec en dessous une bande d'état qui indique pour chaque entrée : inactive, active ou "
          "désactivée. Solwire lit les entrées à l'ouverture du panneau ; cliquez sur le panneau ou sur son libellé "
          "d'état pour les relire."),
    ("p", "Une entrée dont l'état a changé clignote, avec un bip si le son d'alarme est en marche, jusqu'à ce que "
          "vous l'acquittiez d'un clic gauche sur son bouton. Un nouveau clic gauche la fait clignoter de nouveau."),
    ("p", "Un clic droit sur un bouton ouvre son menu : « Enable » met l'entrée en service ou hors service (une "
          "entrée hors service n'a pas d'image et ne clignote ni ne sonne jamais) ; « Assign » ouvre la fenêtre des "
          "images, où vous cliquez sur l'image qui convient à l'entrée : tension de batterie basse ou haute, "
          "groupe électrogène en marche, défaut logique, défaut d'utilisation ou défaut solaire, porte, incendie, "
          "fumée, ou un simple numéro."),
    ("p", "La fenêtre des images contient aussi trois options : « Update Alarm Every » fixe la fréquence à laquelle "
          "Solwire lit les alarmes de lui-même (« Rien », 2, 5, 10, 20 ou 30 « Min », 1, 2, 4, 8 ou 24 « Heure ») ; "
          "« Son de Alarme » fait sonner les nouvelles alarmes ; « Dial Up Alarm » permet à la lecture automatique "
          "des alarmes d'appeler le dernier numéro composé depuis l'annuaire."),

    ("h1", "Le fichier de réglages"),
    ("p", "Solwire lit tous vos choix au démarrage et les écrit en se terminant : site, ports et vitesse, langue et "
          "polices, options du rapport et du relevé, réglages du modem, options et images des alarmes, et fichier "
          "de l'annuaire. Sous Linux, ils sont gardés dans ~/.config/Veltrane/Solwire.conf ; sous Windows, dans le "
          "registre sous Software\\Veltrane\\Solwire. Une valeur absente ou invalide prend sa valeur par défaut. "
          "Une modification n'est enregistrée que si Solwire se termine normalement ; un enregistrement qui échoue "
          "laisse l'ancien fichier intact, et Solwire dit pourquoi (par exemple « Permission denied »)."),
    ("p", "Un fichier de réglages en lecture seule est laissé tel quel : Solwire signale en se terminant que les "
          "réglages n'ont pas été enregistrés. Si une partie du fichier ne peut pas être lue, Solwire le signale au "
          "démarrage ; ce qui n'a pas pu être lu prend sa valeur par défaut et n'est pas réenregistré. Si le fichier "
          "est un lien symbolique, Solwire écrit le fichier désigné par le lien et garde le lien. Un chemin qui "
          "n'est pas un fichier ordinaire (un tube nommé, un périphérique) est refusé avec un message, et Solwire "
          "démarre avec ses réglages par défaut."),
    ("p", "Dans le fichier, les espaces des noms s'écrivent %20. Pour passer en français, mettez cette ligne dans la "
          "section [Settings] pendant que Solwire est fermé (0 anglais, 1 français, 2 chinois) :"),
    ("code", ["[Settings]", "Language%20Number=1"]),
]

STATUS_FRENCH = [
    "Une demande est partie vers le site choisi et la réponse est attendue. Rien à faire ; si aucune réponse "
    "n'arrive, « Data Timeout » suit.",
    "Ne paraît qu'un instant, car « Comm Fail » suit aussitôt : une lecture a été demandée mais aucune liaison "
    "n'est ouverte, parce que le port direct n'a pas pu être ouvert ou que l'appel par modem n'est pas établi. "
    "Vérifiez le port direct dans « Modem Setup », ou appelez d'abord le site.",
    "Le port série a été ouvert. Rien à faire.",
    "Le port a été configuré mais n'est pas ouvert. Vérifiez le numéro du port et l'existence du périphérique, "
    "puis relisez.",
    "L'ouverture du port direct pour une lecture a échoué. « Comm Fail » le remplace aussitôt, et la bulle d'aide "
    "de la case dit quel port et pourquoi (voir « Raccorder un régulateur sur un port série ») : le périphérique "
    "n'existe pas, un autre programme l'utilise, ou vous n'avez pas le droit de l'ouvrir. Choisissez un autre "
    "numéro COM, fermez l'autre programme, vérifiez le chemin sous [Ports] et votre appartenance au groupe "
    "dialout. Ce message reste affiché quand un port n'a pas pu être configuré au démarrage ou fermé à la fin de "
    "Solwire.",
    "La chaîne d'initialisation a été envoyée au modem. Rien à faire.",
    "Le modem n'a pas pu être initialisé car son port n'est pas ouvert. Vérifiez le port du modem, son câble et "
    "son alimentation.",
    "La demande a été abandonnée : pas de réponse, ou pas de liaison. Vérifiez le câble, le numéro du site, la "
    "vitesse (elle doit être celle du régulateur) et l'alimentation du régulateur, puis cliquez dans la fenêtre "
    "pour relire. Si le port n'a pas pu être ouvert, la bulle d'aide de la case donne le port et la raison donnée "
    "par le système.",
    "Le modem compose le numéro. Attendez la connexion.",
    "Le port du modem n'a pas pu être ouvert pour un appel. Vérifiez le port du modem dans « Modem Setup » et "
    "qu'aucun autre programme ne le tient.",
    "Une réponse est arrivée et a été lue. Rien à faire.",
    "Une réponse est arrivée mais n'a pas passé le contrôle ; certaines valeurs peuvent être fausses. Relisez ; si "
    "cela se répète, cherchez des parasites sur la ligne, deux régulateurs avec le même numéro de site ou une "
    "mauvaise vitesse.",
    "L'appel par modem est terminé et la liaison est revenue sur le port direct.",
    "La commande de raccrochage a été envoyée au modem.",
    "La séquence d'échappement a été envoyée au modem avant de raccrocher. Attendez « Ferme ».",
    "Le service de téléphonie a terminé l'appel.",
    "Le raccrochage a commencé ; il dure quelques secondes. Attendez « Ferme ».",
    "Vous avez demandé de raccrocher, mais le port du modem n'est pas ouvert. Rien à faire.",
    "L'appel passé par le service de téléphonie est établi ; les lectures passent maintenant par le modem.",
    "Le service de téléphonie n'a pas pu passer l'appel. Vérifiez le périphérique de ligne choisi avec "
    "« Selection », le modem et la ligne téléphonique, ou décochez « Enable TAPI mode » pour appeler par "
    "commandes AT.",
    "Le service de téléphonie a ouvert la ligne du modem.",
    "Le modem signale une porteuse : l'appel est établi et les lectures passent maintenant par le modem.",
    "Aucune réponse complète n'est arrivée à temps. « Comm Fail » suit ; vérifiez comme pour « Comm Fail ».",
]
