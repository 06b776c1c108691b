Scriptname VialmarkNative Hidden
{Prices, weights, value flags and archetypes of potions, ingredients and magic effects, changed at run time.
Every function is global: call it as VialmarkNative.FunctionName(...). None of them fails: an unusable
argument (None, a form of another kind, an array of the wrong type) gives the neutral answer noted below
and changes nothing. Array functions pair their arrays by index; a count of -1 means every element.}

; ---- Prices -------------------------------------------------------------------------------------------
; The price formula: price = max(1, pow(value, exponent) / (value / divisor + 1) * multiplier + addend),
; truncated to a whole number.

; Sets a potion's price from aiValue through the formula and marks its value as manual. None: no change.
Function SetSinglePotionPrice(Potion akPotion, Int aiValue, Float afExponent, Float afDivisor, Float afMultiplier, Float afAddend) Global Native

; Prices ingredients from aiValues (directly when abDirect, else through the formula), the first aiCount of them. aiValues shorter than akIngredients, or either None: no change.
Function SetIngredientArrayPrices(Ingredient[] akIngredients, Int[] aiValues, Bool abDirect, Float afExponent, Float afDivisor, Float afMultiplier, Float afAddend, Int aiCount) Global Native

; Prices potions from aiValues (directly when abDirect, else through the formula) and marks them manual. aiValues shorter than akPotions, or either None: no change.
Function SetPotionArrayPrices(Potion[] akPotions, Int[] aiValues, Bool abDirect, Float afExponent, Float afDivisor, Float afMultiplier, Float afAddend, Int aiCount) Global Native

; As SetPotionArrayPrices, but only potions whose abSelection entry equals abSelectWhen (a missing entry counts as False).
Function SetPotionArrayPricesSpecial(Potion[] akPotions, Int[] aiValues, Bool abDirect, Float afExponent, Float afDivisor, Float afMultiplier, Float afAddend, Bool[] abSelection, Bool abSelectWhen, Int aiCount) Global Native

; As SetPotionArrayPricesSpecial over a Form array; forms that are no potions are skipped.
Function SetPotionFormArrayPricesSpecial(Form[] akForms, Int[] aiValues, Bool abDirect, Float afExponent, Float afDivisor, Float afMultiplier, Float afAddend, Bool[] abSelection, Bool abSelectWhen, Int aiCount) Global Native

; ---- Gold values --------------------------------------------------------------------------------------

; A form's gold value: its value component, or a potion's manual value or summed effect costs. None or no value: 0.
Int Function GetGoldValue(Form akForm) Global Native

; Writes the gold value of each form into aiValues at the same index (0 for None). False (nothing written) when akForms is None or empty or aiValues is shorter.
Bool Function FillGoldValueArray(Form[] akForms, Int[] aiValues) Global Native

; As FillGoldValueArray for potions.
Bool Function FillPotionGoldValueArray(Potion[] akPotions, Int[] aiValues) Global Native

; As FillGoldValueArray for ingredients.
Bool Function FillIngredientGoldValueArray(Ingredient[] akIngredients, Int[] aiValues) Global Native

; Writes one potion's gold value into aiValues[aiIndex]. False when the potion is None or aiIndex is outside aiValues.
Bool Function FillSinglePotionGoldValue(Potion akPotion, Int[] aiValues, Int aiIndex) Global Native

; Writes one ingredient's gold value into aiValues[aiIndex]. False when the ingredient is None or aiIndex is outside aiValues.
Bool Function FillSingleIngredientGoldValue(Ingredient akIngredient, Int[] aiValues, Int aiIndex) Global Native

; ---- Automatic value calculation ----------------------------------------------------------------------

; True when the potion's value is calculated from its effects. None or no potion: False.
Bool Function GetAlchAutoCalcFlag(Form akForm) Global Native

; Switches the potion's automatic value calculation on or off (off uses its manual value). None or no potion: no change.
Function SetAlchAutoCalcFlag(Form akForm, Bool abAutoCalc) Global Native

; ---- Weights ------------------------------------------------------------------------------------------

; Sets each form's weight to afWeights[i] * afMultiplier, the first aiCount of them; forms without weight are skipped. afWeights shorter than akForms: no change.
Function SetFormArrayWeights(Form[] akForms, Float[] afWeights, Float afMultiplier, Int aiCount) Global Native

; As SetFormArrayWeights for potions.
Function SetPotionArrayWeights(Potion[] akPotions, Float[] afWeights, Float afMultiplier, Int aiCount) Global Native

; As SetFormArrayWeights for ingredients.
Function SetIngredientArrayWeights(Ingredient[] akIngredients, Float[] afWeights, Float afMultiplier, Int aiCount) Global Native

; ---- Magic effects ------------------------------------------------------------------------------------

; Gives the effect another archetype ("ValueMod", "Cloak", ...) with its actor values and related form. Unknown archetype or actor value, or a related form the archetype does not accept: no change.
Function SetMGEFArchetype(MagicEffect akEffect, String asArchetype, String asPrimaryActorValue, Form akRelatedForm, String asSecondaryActorValue, Float afSecondaryWeight) Global Native

; The effect's archetype code. None: -1.
Int Function GetMGEFArchetypeNum(MagicEffect akEffect) Global Native

; The name of the effect's primary actor value. None or no actor value: "".
String Function GetMGEFPrimaryAV(MagicEffect akEffect) Global Native

; The effect's related form. None or no related form: None.
Form Function GetMGEFRelatedForm(MagicEffect akEffect) Global Native

; Switches each effect between ValueMod (flag True) and PeakValueMod (flag False); other archetypes, and effects without a flag, stay as they are.
Function SetStackingPrefs(MagicEffect[] akEffects, Bool[] abFlags) Global Native
