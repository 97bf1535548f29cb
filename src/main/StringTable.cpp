#include "StringTable.h"

const TStringTableEntry StringTable[] = {
    {1, "Use EXIF"},
    {2, "Select None"},
    {3, "Select All"},
    {4, "Refresh"},
    {5, "Rename"},
    {6, "Edit"},
    {7, "Help"},
    {8, "Web Site"},
    {9, "Choose Language"},
    {10, "Please enter new filename patern.\n\n(Specials caracters)\n*\t-> Numerical\n?\t-> Date\n%\t-> Time\n"},
    {11, "Create thumbnails"},
    {12, "Select all files"},
    {13, "Get dates"},
    {14, "Sort numerical order"},
    {15, "Sort Same date"},
    {16, "Rename files"},
    {17, "file"},
    {18, "selected"},
    {19, "selected"},
    {20, "Wizard"},
    {21, "Prefix :"},
    {22, "Date"},
    {23, "Time"},
    {24, "Numerical"},
    {25, "Generate filename pattern"},
    {26, "Pattern"},
    {27, "Preview filenames"},
    {28, "Cancel"},
    {29, "Rename"},
    {30, "These photos kept their names:"},
    {31, "name already taken"},
    {32, "same name as photo %1"},

    {51, "Utiliser EXIF"},
    {52, "Déselectionner"},
    {53, "Tout Sélectionner"},
    {54, "Rafraichir"},
    {55, "Renommer"},
    {56, "Edition"},
    {57, "Aide"},
    {58, "Site Web"},
    {59, "Changer de langue"},
    {60, "Entrer le nouveau nom de fichier avec les caractères spéciaux\n*\t-> Numerique\n?\t-> Date\n%\t-> Heure\n"},
    {61, "Création miniatures"},
    {62, "Sélectionne tout les fichiers"},
    {63, "Récupère les dates"},
    {64, "Classement par ordre numérique"},
    {65, "Classement des dates identiques"},
    {66, "Renomme les fichiers"},
    {67, "fichier"},
    {68, "selectionnés"},
    {69, "selectionné"},
    {70, "Assistant"},
    {71, "Préfixe :"},
    {72, "Date"},
    {73, "Heure"},
    {74, "Numerique"},
    {75, "Générer le modèle de nom de fichier"},
    {76, "Modèle"},
    {77, "Prévisualiser les noms de fichiers"},
    {78, "Annuler"},
    {79, "Renommer"},
    {80, "Ces photos ont gardé leur nom :"},
    {81, "nom déjà pris"},
    {82, "même nom que la photo %1"},
};

const size_t StringTableCount = sizeof StringTable / sizeof StringTable[0];

const char* StringTableText(int id)
{
    for (size_t i = 0; i < StringTableCount; ++i)
        if (StringTable[i].Id == id)
            return StringTable[i].Text;
    return nullptr;
}
